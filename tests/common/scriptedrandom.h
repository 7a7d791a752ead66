#pragma once

#include "extras/tips.h"

#include <QList>

// Hands out the values it was given, then repeats the last one; counts draws and reseeds.
class ScriptedRandom final : public TipRandom
{
public:
    explicit ScriptedRandom(QList<float> values) : m_values(std::move(values)) {}
    void reseed() override { ++reseeds; }
    float next() override
    {
        ++draws;
        return m_values.size() > 1 ? m_values.takeFirst() : m_values.first();
    }
    int reseeds = 0;
    int draws = 0;

private:
    QList<float> m_values;
};
