#ifndef INSPECTOR_INSPECTNODEFORM_H
#define INSPECTOR_INSPECTNODEFORM_H

#include <QGraphicsView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>

class QCheckBox;
class QFormLayout;
class QFrame;
class QGridLayout;
class QPushButton;
class QVBoxLayout;

// The widgets of the inspector's Node page.
class InspectNodeForm
{
public:
    QVBoxLayout *verticalLayout;
    QVBoxLayout *verticalLayout_3;
    QLabel *label;
    QTabBar *sigMethodChooser;
    QGridLayout *gridLayout;
    QGraphicsView *edgeUsageList;
    QPushButton *addEdgeUsageButton;
    QFrame *line;
    QGridLayout *gridLayout1;
    QLabel *label_2;
    QPlainTextEdit *noteListEdit;
    QCheckBox *muteCheckBox;
    QPushButton *shuffleButton;
    QFrame *line_3;
    QGridLayout *gridLayout2;
    QCheckBox *instrumentChangeCheckBox;
    QComboBox *instrumentComboBox;
    QFrame *line_2;
    QVBoxLayout *verticalLayout_2;
    QLabel *advancedMidiLabel;
    QFormLayout *formLayout_2;
    QLabel *userMidiMessageListLabel;
    QLineEdit *userMidiMessageListEdit;

    void setupUi(QWidget *page);
    void retranslateUi(QWidget *page);
};

#endif
