// Writes the game's background music, "Ticker Tape Morning": a 4-channel Protracker ("M.K.")
// module with its own synthesised instruments. A-minor, 120 beats a minute, 14 patterns of
// four bars: bass on channel 1, arpeggiated chords on 2, the melody on 3, drums on 4.
// Usage: quorvane-makemodule <output.mod>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 64;
constexpr int kChannels = 4;

// Amiga periods, finetune 0, from C-1 (index 0) to B-3 (index 35).
constexpr std::array<int, 36> kPeriods = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                                          428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                                          214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

// A note by name and octave ("A-1", "G#2"), as trackers write it.
int note(const char *name)
{
    static const std::string letters = "C-C#D-D#E-F-F#G-G#A-A#B-";
    const std::string n(name, 2);
    const auto at = letters.find(n);
    return int(at / 2) + (name[2] - '1') * 12;
}

struct Cell
{
    int sample = 0; // 1-based, 0 for none
    int period = 0; // 0 for no note
    int effect = 0;
    int param = 0;
};

using Pattern = std::array<std::array<Cell, kChannels>, kRows>;

enum Instrument { Bass = 1, Pad, Lead, Kick, Snare, Hat };
enum Channel { BassChannel, ChordChannel, LeadChannel, DrumChannel };

struct Sample
{
    std::string name;
    std::vector<std::int8_t> data; // even length
    int volume = 64;
    int loopStart = 0;  // bytes
    int loopLength = 0; // bytes; 0 for none
};

std::int8_t clip8(double v)
{
    return std::int8_t(std::lround(std::fmax(-127.0, std::fmin(127.0, v))));
}

void pad(std::vector<std::int8_t> &data)
{
    if (data.size() % 2)
        data.push_back(0);
}

// A plucked, slightly filtered saw: one cycle every 64 samples, decaying over `length`.
Sample bass()
{
    Sample s{"qv bass", {}, 50};
    const int length = 4400;
    double smooth = 0;
    for (int i = 0; i < length; ++i) {
        const double saw = 2.0 * (i % 64) / 64.0 - 1.0;
        smooth += 0.35 * (saw - smooth);
        const double envelope = std::exp(-i / 1500.0) * std::fmin(1.0, i / 30.0);
        s.data.push_back(clip8(105 * smooth * envelope));
    }
    s.data[0] = s.data[1] = 0;
    pad(s.data);
    return s;
}

// 256 bytes of a waveform with a 32-sample cycle, looped whole: it sounds until the next note.
template <class Wave> Sample looping(const char *name, int volume, Wave wave)
{
    Sample s{name, {}, volume};
    for (int i = 0; i < 256; ++i)
        s.data.push_back(clip8(wave((i % 32) / 32.0)));
    s.loopStart = 0;
    s.loopLength = 256;
    return s;
}

// A soft square-triangle blend, held under the arpeggios.
Sample chordPad()
{
    return looping("qv pad", 26, [](double phase) {
        const double triangle = phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase;
        const double square = phase < 0.5 ? 1 : -1;
        return 100 * (0.7 * triangle + 0.3 * square);
    });
}

// A bright lead: a pulse wave with a little of its octave.
Sample lead()
{
    return looping("qv lead", 38, [](double phase) {
        const double pulse = phase < 0.3 ? 1 : -1;
        return 90 * (0.75 * pulse + 0.25 * std::sin(4 * M_PI * phase));
    });
}

// A sine that falls from 160 Hz to 45 Hz, played back at about 8.3 kHz.
Sample kick()
{
    Sample s{"qv kick", {}, 60};
    const double rate = 8287;
    double phase = 0;
    for (int i = 0; i < 1800; ++i) {
        const double t = i / rate;
        const double frequency = 45 + 115 * std::exp(-t * 30);
        phase += 2 * M_PI * frequency / rate;
        s.data.push_back(clip8(120 * std::sin(phase) * std::exp(-t * 9)));
    }
    pad(s.data);
    return s;
}

// Noise over a short tone, both dying away quickly.
Sample snare(std::minstd_rand &noise)
{
    Sample s{"qv snare", {}, 44};
    std::uniform_real_distribution<double> white(-1, 1);
    for (int i = 0; i < 1600; ++i) {
        const double t = i / 8287.0;
        const double tone = std::sin(2 * M_PI * 190 * t) * std::exp(-t * 30);
        s.data.push_back(clip8(110 * (0.75 * white(noise) * std::exp(-t * 16) + 0.35 * tone)));
    }
    pad(s.data);
    return s;
}

// Short high noise: each sample minus the one before, so the low end is gone.
Sample hat(std::minstd_rand &noise)
{
    Sample s{"qv hat", {}, 22};
    std::uniform_real_distribution<double> white(-1, 1);
    double last = 0;
    for (int i = 0; i < 420; ++i) {
        const double now = white(noise);
        s.data.push_back(clip8(70 * (now - last) * std::exp(-i / 90.0)));
        last = now;
    }
    pad(s.data);
    return s;
}

struct Chord
{
    const char *root; // in octave 1
    int arpeggio;     // 0x37 minor, 0x47 major
};

using Progression = std::array<Chord, 4>;
const Progression kVerse = {{{"A-1", 0x37}, {"F-1", 0x47}, {"C-1", 0x47}, {"G-1", 0x47}}};
const Progression kBridge = {{{"D-1", 0x37}, {"G-1", 0x47}, {"C-1", 0x47}, {"E-1", 0x47}}};

// A melody as (row, note) pairs; "---" rests by silencing the channel.
using Phrase = std::vector<std::pair<int, const char *>>;
const Phrase kCall = {{0, "A-2"},  {4, "C-3"},  {6, "E-3"},  {8, "D-3"},  {12, "C-3"},
                      {14, "B-2"}, {16, "A-2"}, {20, "F-2"}, {24, "A-2"}, {28, "C-3"},
                      {32, "G-2"}, {36, "E-2"}, {38, "G-2"}, {40, "C-3"}, {44, "E-3"},
                      {48, "D-3"}, {52, "B-2"}, {56, "G-2"}, {60, "---"}};
const Phrase kAnswer = {{0, "E-3"},  {2, "E-3"},  {4, "D-3"},  {6, "C-3"},  {8, "A-2"},  {12, "C-3"},
                        {16, "C-3"}, {18, "D-3"}, {20, "C-3"}, {24, "A-2"}, {28, "F-2"}, {32, "E-2"},
                        {34, "G-2"}, {36, "C-3"}, {40, "E-3"}, {42, "D-3"}, {44, "C-3"}, {48, "B-2"},
                        {52, "D-3"}, {56, "G-3"}, {62, "---"}};
const Phrase kLift = {{0, "F-3"},  {4, "E-3"},  {6, "D-3"},  {8, "A-2"},  {12, "D-3"}, {16, "B-2"},
                      {20, "D-3"}, {24, "G-3"}, {28, "F-3"}, {32, "E-3"}, {36, "C-3"}, {40, "G-2"},
                      {44, "E-3"}, {48, "G#2"}, {52, "B-2"}, {56, "E-3"}, {60, "B-2"}};
const Phrase kEnding = {{0, "E-3"},  {8, "C-3"},  {16, "A-2"}, {24, "C-3"},
                        {32, "B-2"}, {40, "G-2"}, {48, "A-2"}};

struct Parts
{
    bool bass = true, chords = true, kick = true, snare = true, hats = true;
    const Phrase *melody = nullptr;
    bool ending = false; // the last bar: drums and bass stop, the chord fades
};

Pattern compose(const Progression &chords, const Parts &parts)
{
    Pattern p{};
    for (int bar = 0; bar < 4; ++bar) {
        const Chord &chord = chords[std::size_t(bar)];
        const int root = note(chord.root);
        const bool lastBar = parts.ending && bar == 3;
        for (int step = 0; step < 16; ++step) {
            const int row = bar * 16 + step;
            auto &cells = p[std::size_t(row)];
            if (parts.chords) {
                Cell &c = cells[ChordChannel];
                if (step == 0)
                    c = {Pad, kPeriods[std::size_t(root)], 0, 0};
                c.effect = 0;
                c.param = chord.arpeggio;
                if (lastBar && step >= 4) {
                    c.effect = 0xA; // fade the final chord out
                    c.param = 0x02;
                }
            }
            if (parts.bass && !lastBar && step % 2 == 0) {
                // Root, root, octave, root, fifth, root, octave, fifth.
                static const int offsets[8] = {0, 0, 12, 0, 7, 0, 12, 7};
                const int n = root + offsets[step / 2];
                cells[BassChannel] = {Bass, kPeriods[std::size_t(n)], 0, 0};
            }
            Cell &drum = cells[DrumChannel];
            if (!lastBar) {
                if (parts.kick && (step == 0 || step == 8 || step == 10))
                    drum = {Kick, kPeriods[12], 0, 0};
                else if (parts.snare && (step == 4 || step == 12))
                    drum = {Snare, kPeriods[12], 0, 0};
                else if (parts.hats && step % 2 == 0)
                    drum = {Hat, kPeriods[24], 0, 0};
            } else if (step == 0) {
                drum = {Kick, kPeriods[12], 0, 0};
            }
        }
    }
    if (parts.melody) {
        for (const auto &[row, name] : *parts.melody) {
            Cell &c = p[std::size_t(row)][LeadChannel];
            if (std::string(name) == "---")
                c = {0, 0, 0xC, 0};
            else
                c = {Lead, kPeriods[std::size_t(note(name))], 0, 0};
        }
    }
    return p;
}

void putWord(std::vector<std::uint8_t> &out, int value)
{
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value & 0xff));
}

void putText(std::vector<std::uint8_t> &out, const std::string &text, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        out.push_back(i < text.size() ? std::uint8_t(text[i]) : 0);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvane-makemodule OUTPUT.mod\n");
        return 2;
    }
    std::minstd_rand noise(20261207); // fixed, so every build writes the same bytes
    const std::vector<Sample> samples = {bass(), chordPad(), lead(), kick(), snare(noise), hat(noise)};

    Parts intro;
    intro.chords = false;
    intro.snare = false;
    Parts call;
    call.melody = &kCall;
    Parts answer;
    answer.melody = &kAnswer;
    Parts lift;
    lift.melody = &kLift;
    Parts breakdown;
    breakdown.bass = false;
    breakdown.kick = false;
    breakdown.snare = false;
    breakdown.melody = &kAnswer;
    Parts ending;
    ending.melody = &kEnding;
    ending.ending = true;
    std::vector<Pattern> patterns = {compose(kVerse, intro),     compose(kVerse, call),
                                     compose(kVerse, answer),    compose(kBridge, lift),
                                     compose(kVerse, breakdown), compose(kVerse, ending)};
    // 120 beats a minute: four rows a beat at speed 6.
    patterns[0][0][LeadChannel] = {0, 0, 0xF, 120};
    const std::vector<std::uint8_t> order = {0, 1, 2, 3, 4, 1, 2, 3, 1, 2, 4, 3, 2, 5};

    std::vector<std::uint8_t> out;
    putText(out, "ticker tape morning", 20);
    for (std::size_t i = 0; i < 31; ++i) {
        if (i < samples.size()) {
            const Sample &s = samples[i];
            putText(out, s.name, 22);
            putWord(out, int(s.data.size() / 2));
            out.push_back(0); // finetune
            out.push_back(std::uint8_t(s.volume));
            putWord(out, s.loopStart / 2);
            putWord(out, s.loopLength ? s.loopLength / 2 : 1);
        } else {
            putText(out, "", 22);
            putWord(out, 0);
            out.push_back(0);
            out.push_back(0);
            putWord(out, 0);
            putWord(out, 1);
        }
    }
    out.push_back(std::uint8_t(order.size()));
    out.push_back(127);
    for (std::size_t i = 0; i < 128; ++i)
        out.push_back(i < order.size() ? order[i] : 0);
    putText(out, "M.K.", 4);
    for (const Pattern &p : patterns)
        for (const auto &row : p)
            for (const Cell &c : row) {
                out.push_back(std::uint8_t((c.sample & 0xf0) | ((c.period >> 8) & 0x0f)));
                out.push_back(std::uint8_t(c.period & 0xff));
                out.push_back(std::uint8_t(((c.sample & 0x0f) << 4) | (c.effect & 0x0f)));
                out.push_back(std::uint8_t(c.param));
            }
    for (const Sample &s : samples)
        for (std::int8_t v : s.data)
            out.push_back(std::uint8_t(v));

    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(out.data()), std::streamsize(out.size()));
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
