#include "app/PlaybackControlsForm.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpacerItem>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("PlaybackControlsForm", text);
}

// A page of the display: its characters centred between two spacers.
QList<QLabel *> makePage(QStackedWidget *stack, QWidget *&page, const char *pageName, const char *layoutName,
                         const QList<const char *> &names)
{
    page = new QWidget;
    page->setObjectName(QLatin1String(pageName));
    auto *layout = new QHBoxLayout(page);
    layout->setObjectName(QLatin1String(layoutName));
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addItem(new QSpacerItem(0, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    QList<QLabel *> labels;
    for (const char *name : names) {
        auto *label = new QLabel(page);
        const QString objectName = QLatin1String(name);
        label->setObjectName(objectName);
        label->setFixedSize(10, 24);
        label->setAlignment(Qt::AlignCenter);
        label->setText(objectName.endsWith(QLatin1String("Colon")) ? QStringLiteral(":")
                       : objectName.endsWith(QLatin1String("Dot"))  ? QStringLiteral(".")
                       : objectName.endsWith(QLatin1String("Comma")) ? QStringLiteral(",")
                                                                     : QStringLiteral("0"));
        layout->addWidget(label);
        labels << label;
    }
    layout->addItem(new QSpacerItem(0, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    stack->addWidget(page);
    return labels;
}

QPushButton *makeButton(QWidget *parent, const char *name, int side)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(side, side);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

void PlaybackControlsForm::setupUi(QFrame *form)
{
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("PlaybackControlsForm"));
    form->resize(364, 61);

    horizontalLayout_7 = new QHBoxLayout(form);
    horizontalLayout_7->setObjectName(QStringLiteral("horizontalLayout_7"));
    horizontalLayout_7->setContentsMargins(0, 0, 0, 0);
    horizontalLayout_7->setSizeConstraint(QLayout::SetFixedSize);

    horizontalLayout_5 = new QHBoxLayout;
    horizontalLayout_5->setObjectName(QStringLiteral("horizontalLayout_5"));
    horizontalLayout_5->setSpacing(2);
    gotoStartButton = makeButton(form, "gotoStartButton", 35);
    gotoStartButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    horizontalLayout_5->addWidget(gotoStartButton);

    playAndTriggeringBackgroundWidget = new QWidget(form);
    playAndTriggeringBackgroundWidget->setObjectName(QStringLiteral("playAndTriggeringBackgroundWidget"));
    playAndTriggeringBackgroundWidget->setFixedSize(80, 49);
    playAndTriggeringBackgroundWidget->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Style-sheet backgrounds of a plain widget are drawn only with this.
    playAndTriggeringBackgroundWidget->setAttribute(Qt::WA_StyledBackground);
    horizontalLayout_2 = new QHBoxLayout(playAndTriggeringBackgroundWidget);
    horizontalLayout_2->setObjectName(QStringLiteral("horizontalLayout_2"));
    horizontalLayout_2->setSpacing(0);
    horizontalLayout_2->setContentsMargins(1, 2, 3, 2);
    playPauseButton = makeButton(playAndTriggeringBackgroundWidget, "playPauseButton", 45);
    horizontalLayout_2->addWidget(playPauseButton);
    midiTriggeringButton = makeButton(playAndTriggeringBackgroundWidget, "midiTriggeringButton", 31);
    horizontalLayout_2->addWidget(midiTriggeringButton);
    horizontalLayout_5->addWidget(playAndTriggeringBackgroundWidget);
    horizontalLayout_7->addLayout(horizontalLayout_5);

    lcdFrame = new QFrame(form);
    lcdFrame->setObjectName(QStringLiteral("lcdFrame"));
    lcdFrame->setFrameShape(QFrame::StyledPanel);
    lcdFrame->setFrameShadow(QFrame::Raised);
    horizontalLayout_6 = new QHBoxLayout(lcdFrame);
    horizontalLayout_6->setObjectName(QStringLiteral("horizontalLayout_6"));
    horizontalLayout_6->setContentsMargins(0, 0, 0, 0);

    displayModeButton = new QToolButton(lcdFrame);
    displayModeButton->setObjectName(QStringLiteral("displayModeButton"));
    horizontalLayout_6->addWidget(displayModeButton);

    displayStackedWidget = new QStackedWidget(lcdFrame);
    displayStackedWidget->setObjectName(QStringLiteral("displayStackedWidget"));
    timeChars = makePage(displayStackedWidget, timePage, "timePage", "horizontalLayout_3",
                         {"hr10s", "hr1s", "hrColon", "min10s", "min1s", "minColon", "sec10s", "sec1s", "secDot",
                          "ms100s", "ms10s", "ms1s"});
    principalsChars = makePage(displayStackedWidget, principalsPage, "principalsPage", "horizontalLayout_4",
                               {"pal100000000s", "pal10000000s", "pal1000000s", "pal1000000sComma", "pal100000s",
                                "pal10000s", "pal1000s", "pal1000sComma", "pal100s", "pal10s", "pal1s", "pal1sDot",
                                "div10s", "div1s"});
    beatsChars = makePage(displayStackedWidget, beatsPage, "beatsPage", "horizontalLayout",
                          {"beat100000000s", "beat10000000s", "beat1000000s", "beat1000000sComma", "beat100000s",
                           "beat10000s", "beat1000s", "beat1000sComma", "beat100s", "beat10s", "beat1s", "beat1sDot",
                           "pulse100s", "pulse10s", "pulse1s"});
    displayStackedWidget->setCurrentIndex(2);
    horizontalLayout_6->addWidget(displayStackedWidget);

    verticalLayout = new QVBoxLayout;
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(0);
    verticalLayout->setSizeConstraint(QLayout::SetFixedSize);
    tempoSpinBox = new QSpinBox(lcdFrame);
    tempoSpinBox->setObjectName(QStringLiteral("tempoSpinBox"));
    tempoSpinBox->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    tempoSpinBox->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    tempoSpinBox->setButtonSymbols(QAbstractSpinBox::NoButtons);
    verticalLayout->addWidget(tempoSpinBox);
    bpmLabel = new QLabel(lcdFrame);
    bpmLabel->setObjectName(QStringLiteral("bpmLabel"));
    bpmLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    bpmLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    verticalLayout->addWidget(bpmLabel);
    horizontalLayout_6->addLayout(verticalLayout);
    horizontalLayout_7->addWidget(lcdFrame);

    retranslateUi(form);
}

void PlaybackControlsForm::retranslateUi(QFrame *form)
{
    form->setWindowTitle(tr("Form"));
    gotoStartButton->setToolTip(tr("Go to Start"));
    playPauseButton->setToolTip(tr("Play / Pause"));
    midiTriggeringButton->setToolTip(tr("Toggle MIDI Triggering"));
    tempoSpinBox->setToolTip(tr("Tempo"));
    bpmLabel->setText(tr("BPM"));
}
