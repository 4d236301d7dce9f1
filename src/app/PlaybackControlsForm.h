#ifndef APP_PLAYBACKCONTROLSFORM_H
#define APP_PLAYBACKCONTROLSFORM_H

#include <QList>

class QFrame;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class QWidget;

// The transport of a document window: go to start, play / pause, MIDI
// triggering, and the position display with the tempo box in its frame.
class PlaybackControlsForm
{
public:
    // The leading positions of the principals and beats pages that count
    // millions; the window hides them.
    static constexpr int MillionsPositions = 4;

    void setupUi(QFrame *form);
    void retranslateUi(QFrame *form);

    QHBoxLayout *horizontalLayout_7 = nullptr;
    QHBoxLayout *horizontalLayout_5 = nullptr;
    QPushButton *gotoStartButton = nullptr;
    QWidget *playAndTriggeringBackgroundWidget = nullptr;
    QHBoxLayout *horizontalLayout_2 = nullptr;
    QPushButton *playPauseButton = nullptr;
    QPushButton *midiTriggeringButton = nullptr;
    QFrame *lcdFrame = nullptr;
    QHBoxLayout *horizontalLayout_6 = nullptr;
    QToolButton *displayModeButton = nullptr;
    QStackedWidget *displayStackedWidget = nullptr;
    QWidget *timePage = nullptr;
    QWidget *principalsPage = nullptr;
    QWidget *beatsPage = nullptr;
    QVBoxLayout *verticalLayout = nullptr;
    QSpinBox *tempoSpinBox = nullptr;
    QLabel *bpmLabel = nullptr;

    // The character labels of each page, left to right.
    QList<QLabel *> timeChars;
    QList<QLabel *> principalsChars;
    QList<QLabel *> beatsChars;
};

#endif
