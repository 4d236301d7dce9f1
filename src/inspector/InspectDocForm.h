#ifndef INSPECTOR_INSPECTDOCFORM_H
#define INSPECTOR_INSPECTDOCFORM_H

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

class QFormLayout;
class QFrame;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QVBoxLayout;
class QWidget;
class VerticalGraphicsListView;

// The widgets of the inspector's Document page.
class InspectDocForm
{
public:
    QVBoxLayout *vboxLayout;
    QTabWidget *tabWidget;

    QWidget *networkTab;
    QVBoxLayout *verticalLayout_5;
    QGridLayout *gridLayout;
    QLabel *label;
    QLabel *label_4;
    QLabel *label_5;
    QSpinBox *principalsSpinBox;
    QLabel *label_2_3;
    QSpinBox *beatsSpinBox;
    QLabel *divsLabel;
    QSpinBox *divsSpinBox;
    QFrame *line_4;
    QLabel *synchronizationLabel;
    QHBoxLayout *horizontalLayout;
    QLabel *tempoLabel;
    QSpinBox *tempoSpinBox;
    QVBoxLayout *verticalLayout_2;
    QLabel *midiInputsLabel;
    VerticalGraphicsListView *midiInputsBox;
    QVBoxLayout *verticalLayout_4;
    QLabel *midiOutputsLabel;
    VerticalGraphicsListView *midiOutputsBox;
    QFrame *line_3;
    QVBoxLayout *verticalLayout_6;
    QLabel *globalScaleLabel;
    QFormLayout *formLayout_5;
    QLabel *keyLabel;
    QComboBox *keyComboBox;
    QLabel *modeLabel;
    QComboBox *modeComboBox;

    QWidget *styleTab;
    QVBoxLayout *verticalLayout_3;
    QFormLayout *formLayout_4;
    QLabel *presetsLabel;
    QComboBox *presetsComboBox;
    QFrame *line_2;
    QFormLayout *formLayout_3;
    QLabel *backgroundLabel;
    QPushButton *backgroundColorButton;
    QLabel *principalLinesLabel;
    QPushButton *principalLinesColorButton;
    QLabel *principalPointsLabel;
    QPushButton *principalPointsColorButton;
    QLabel *divisionLinesLabel;
    QPushButton *divisionLinesColorButton;
    QLabel *divisionPointsLabel;
    QPushButton *divisionPointsColorButton;
    QLabel *annotationLabel;
    QPushButton *annotationColorButton;
    QLabel *nodesLabel;
    QPushButton *nodesColorButton;
    QLabel *edgesLabel;
    QPushButton *edgesColorButton;

    QWidget *infoTab;
    QVBoxLayout *verticalLayout;
    QFormLayout *formLayout_2;
    QLabel *authorLabel;
    QLineEdit *authorEdit;
    QLabel *titleLabel;
    QLineEdit *titleEdit;
    QLabel *commentsLabel;
    QPlainTextEdit *commentsEdit;
    QFrame *line;
    QFormLayout *formLayout;
    QLabel *label_12;
    QLabel *totalInstrumentsLabel;
    QLabel *label_10;
    QLabel *totalEdgesLabel;
    QLabel *label_9;
    QLabel *totalNodesLabel;
    QLabel *label_11;
    QLabel *totalVoiceGroupsLabel;
    QLabel *label_8;
    QLabel *totalTextBoxesLabel;

    void setupUi(QWidget *page);
    void retranslateUi(QWidget *page);
};

#endif
