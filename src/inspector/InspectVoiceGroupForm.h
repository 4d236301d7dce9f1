#ifndef INSPECTOR_INSPECTVOICEGROUPFORM_H
#define INSPECTOR_INSPECTVOICEGROUPFORM_H

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>

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
    QLabel *triggeringSectionLabel;
    QGridLayout *gridLayout;
    QLabel *midiNotesLabel;
    QLineEdit *midiPitchListEdit;
    QLabel *quantizationLabel;
    QTabBar *quantizationChooser;
    QCheckBox *midiVelocityScalingCheckBox;
    QLabel *noteLabel;
    QFrame *line;
    QVBoxLayout *verticalLayout;
    QLabel *initialVoiceLabel;
    QFormLayout *formLayout;
    QLabel *label_7;
    QLineEdit *pitchEdit;
    QLabel *label_8;
    QLineEdit *velocityEdit;
    QLabel *label_9;
    QLineEdit *durationEdit;
    QLabel *label_10;
    QComboBox *instrumentComboBox;
    QFrame *line_3;
    QCheckBox *muteCheckBox;
    QFrame *line_2;
    QVBoxLayout *verticalLayout_4;
    QCheckBox *useScaleCheckBox;
    QFormLayout *formLayout_2;
    QLabel *keyLabel;
    QComboBox *keyComboBox;
    QLabel *modeLabel;
    QComboBox *modeComboBox;

    void setupUi(QWidget *page);
    void retranslateUi(QWidget *page);
};

#endif
