#ifndef INSPECTOR_INSPECTVOICEGROUPFORM_H
#define INSPECTOR_INSPECTVOICEGROUPFORM_H

#include "widgets/Chooser.h"
#include "widgets/QwpComboBox.h"

#include "inspector/PitchListEdit.h"
#include "inspector/PitchSingleEdit.h"
#include "inspector/SectionLabel.h"
#include "inspector/VelocitySingleEdit.h"

#include <QLabel>
#include <QLineEdit>

class QCheckBox;
class QFormLayout;
class QFrame;
class QGridLayout;
class QVBoxLayout;

// The widgets of the inspector's Voice Group page.
class InspectVoiceGroupForm
{
public:
    QVBoxLayout *verticalLayout_3;
    QVBoxLayout *verticalLayout_2;
    SectionLabel *triggeringSectionLabel;
    QGridLayout *gridLayout;
    QLabel *midiNotesLabel;
    PitchListEdit *midiPitchListEdit;
    QLabel *quantizationLabel;
    Chooser *quantizationChooser;
    QCheckBox *midiVelocityScalingCheckBox;
    QLabel *noteLabel;
    QFrame *line;
    QVBoxLayout *verticalLayout;
    SectionLabel *initialVoiceLabel;
    QFormLayout *formLayout;
    QLabel *label_7;
    PitchSingleEdit *pitchEdit;
    QLabel *label_8;
    VelocitySingleEdit *velocityEdit;
    QLabel *label_9;
    QLineEdit *durationEdit;
    QLabel *label_10;
    QwpComboBox *instrumentComboBox;
    QFrame *line_3;
    QCheckBox *muteCheckBox;
    QFrame *line_2;
    QVBoxLayout *verticalLayout_4;
    QCheckBox *useScaleCheckBox;
    QFormLayout *formLayout_2;
    QLabel *keyLabel;
    QwpComboBox *keyComboBox;
    QLabel *modeLabel;
    QwpComboBox *modeComboBox;

    void setupUi(QWidget *page);
    void retranslateUi(QWidget *page);
};

#endif
