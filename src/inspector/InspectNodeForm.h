#ifndef INSPECTOR_INSPECTNODEFORM_H
#define INSPECTOR_INSPECTNODEFORM_H

#include "inspector/EdgeUsageListEditor.h"
#include "widgets/Chooser.h"
#include "widgets/QwpComboBox.h"

#include "inspector/NotesEdit.h"
#include "inspector/SectionLabel.h"
#include "inspector/UserMidiMessageListEdit.h"

#include <QLabel>

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
    SectionLabel *label;
    Chooser *sigMethodChooser;
    QGridLayout *gridLayout;
    EdgeUsageListEditor *edgeUsageList;
    QPushButton *addEdgeUsageButton;
    QFrame *line;
    QGridLayout *gridLayout1;
    SectionLabel *label_2;
    NotesEdit *noteListEdit;
    QCheckBox *muteCheckBox;
    QPushButton *shuffleButton;
    QFrame *line_3;
    QGridLayout *gridLayout2;
    QCheckBox *instrumentChangeCheckBox;
    QwpComboBox *instrumentComboBox;
    QFrame *line_2;
    QVBoxLayout *verticalLayout_2;
    SectionLabel *advancedMidiLabel;
    QFormLayout *formLayout_2;
    QLabel *userMidiMessageListLabel;
    UserMidiMessageListEdit *userMidiMessageListEdit;

    void setupUi(QWidget *page);
    void retranslateUi(QWidget *page);
};

#endif
