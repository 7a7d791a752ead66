#include "frmabout.h"

#include "platform/desktop.h"
#include "platform/layoutscale.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QVBoxLayout>

QString ProjectContact::mailAddress()
{
    // Under a domain reserved for examples until the project has one of its own.
    return QStringLiteral("quorvane@example.org");
}

QString ProjectContact::webAddress()
{
    return QStringLiteral("https://quorvane.example.org/");
}

QUrl ProjectContact::mailLink()
{
    return QUrl(QStringLiteral("mailto:") + mailAddress() + QStringLiteral("?subject=Quorvane"));
}

namespace {
QLabel *textLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

// An address shown in blue as a link. Tab reaches it, with a focus frame, and Enter or Space
// follows it like a click.
class LinkLabel : public QLabel
{
public:
    LinkLabel(QWidget *parent, const char *name, const QString &shown) : QLabel(parent)
    {
        setObjectName(QLatin1String(name));
        setTextFormat(Qt::RichText);
        setText(QStringLiteral("<a href=\"#\" style=\"color: blue\">") + shown.toHtmlEscaped() +
                QStringLiteral("</a>"));
        setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const int key = event->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)
            emit linkActivated(QStringLiteral("#"));
        else
            QLabel::keyPressEvent(event);
    }
    void paintEvent(QPaintEvent *event) override
    {
        QLabel::paintEvent(event);
        if (!hasFocus())
            return;
        QStylePainter painter(this);
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect = contentsRect().intersected(QRect(QPoint(), sizeHint()));
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
    }
};
} // namespace

frmAbout::frmAbout(const QString &programFolder, QWidget *parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quorvane"));

    QLabel *Label1 = textLabel(this, "Label1", QStringLiteral("Quorvane"));
    QFont large = Label1->font();
    large.setPointSize(large.pointSize() * 2 + 4);
    large.setBold(true);
    Label1->setFont(large);
    QLabel *Label2 = textLabel(this, "Label2", QStringLiteral("Version 1.0 BETA"));
    QLabel *Label5 = textLabel(this, "Label5", QStringLiteral("Written by the Quorvane developers."));
    QLabel *Label4 = textLabel(
        this, "Label4",
        QStringLiteral(
            "You may pass this program on freely and change it under the terms of the GNU General Public "
            "License, version 3 or later (see the LICENSE file that comes with it). It comes without "
            "any warranty, and its authors accept no liability for damage caused by its use."));
    QLabel *Label6 = textLabel(this, "Label6", QStringLiteral("Contact :"));
    Text1 = new LinkLabel(this, "Text1", ProjectContact::mailAddress());
    QLabel *Label7 = textLabel(this, "Label7", QStringLiteral("Quorvane Webpage :"));
    Text2 = new LinkLabel(this, "Text2", ProjectContact::webAddress());
    QLabel *Label8 =
        textLabel(this, "Label8",
                  QStringLiteral("THIS PROGRAM IS STILL A BETA. REPORTS OF BUGS, WISHES AND OFFERS OF "
                                 "HELP WITH THE PROJECT ARE WELCOME BY E-MAIL."));
    QLabel *Label9 =
        textLabel(this, "Label9",
                  QStringLiteral(
                      "This program uses Qt, Qt Charts and libopenmpt; its market service uses Boost.Beast"));

    auto *Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(QPixmap(programFolder + QStringLiteral("/pictures/chick.png")));
    Picture1->setFixedSize(96, 96);
    QLabel *Label10 = textLabel(this, "Label10", QStringLiteral("<-- Wow ! Nice chick !"));

    cmdOk = new QPushButton(QStringLiteral("Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);

    for (QLabel *label : {Label6, Label7})
        label->setWordWrap(false);
    auto *links = new QGridLayout;
    links->addWidget(Label6, 0, 0);
    links->addWidget(Text1, 0, 1);
    links->addWidget(Label7, 1, 0);
    links->addWidget(Text2, 1, 1);
    links->setColumnStretch(1, 1);
    auto *picture = new QHBoxLayout;
    picture->addWidget(Picture1);
    picture->addWidget(Label10, 1);
    auto *ok = new QHBoxLayout;
    ok->addStretch();
    ok->addWidget(cmdOk);

    auto *layout = new QVBoxLayout(this);
    for (QLabel *label : {Label1, Label2, Label5, Label4})
        layout->addWidget(label);
    layout->addLayout(links);
    layout->addWidget(Label8);
    layout->addWidget(Label9);
    layout->addLayout(picture);
    layout->addLayout(ok);
    setFixedWidth(LayoutScale::scaled(460));

    connect(Text1, &QLabel::linkActivated, this, &frmAbout::Text1_Click);
    connect(Text2, &QLabel::linkActivated, this, &frmAbout::Text2_Click);
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::close);
    cmdOk->setFocus();
}

// The desktop reports nothing back that the player would need: a refusal is not shown.
void frmAbout::Text1_Click()
{
    Desktop::openUrl(ProjectContact::mailLink());
}

void frmAbout::Text2_Click()
{
    Desktop::openUrl(QUrl(ProjectContact::webAddress()));
}
