#ifndef INSPECTOR_INSPECTINSTRUMENTFORM_H
#define INSPECTOR_INSPECTINSTRUMENTFORM_H

#include <QComboBox>
#include <QPushButton>
#include <QWidget>

class InstrumentsView;
class QCheckBox;
class QFormLayout;
class QFrame;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSpinBox;
class QVBoxLayout;

// The widgets of the inspector's Instrument page.
class InspectInstrumentForm
{
public:
    QVBoxLayout *verticalLayout;
    InstrumentsView *listView;
    QFrame *listButtonsFrame;
    QHBoxLayout *horizontalLayout;
    QLabel *listButtonsSpacerLabel;
    QPushButton *listAddButton;
    QFrame *editFrame;
    QVBoxLayout *verticalLayout_2;
    QFormLayout *formLayout;
    QLabel *label_5;
    QHBoxLayout *hboxLayout;
    QLineEdit *labelEdit;
    QPushButton *colorButton;
    QLabel *label_3;
    QComboBox *midiPortsComboBox;
    QLabel *label_4;
    QWidget *midiChannelsBox;
    QGridLayout *gridLayout;
    QCheckBox *midiProgramChangeCheckBox;
    QGroupBox *midiProgramChangeGroupBox;
    QGridLayout *gridLayout_2;
    QLabel *label_13;
    QLabel *label_14;
    QLabel *label_15;
    QSpinBox *midiProgramSpinBox;
    QSpinBox *midiBankMSBSpinBox;
    QSpinBox *midiBankLSBSpinBox;

    void setupUi(QWidget *page);
    void retranslateUi(QWidget *page);
};

#endif
