#include "inspector/InspectDocForm.h"

#include "inspector/FormParts.h"
#include "inspector/VerticalGraphicsListView.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QSpacerItem>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace FormParts;

namespace {

QSpacerItem *verticalGap()
{
    return new QSpacerItem(20, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
}

} // namespace

void InspectDocForm::setupUi(QWidget *page)
{
    preparePage(page, "InspectDocForm", 266, 622);
    vboxLayout = create<QVBoxLayout>(page, "vboxLayout");
    vboxLayout->setSpacing(0);
    vboxLayout->setContentsMargins(0, 20, 0, 0);
    tabWidget = create<QTabWidget>(page, "tabWidget");

    // Network tab
    networkTab = create<QWidget>("networkTab");
    verticalLayout_5 = create<QVBoxLayout>(networkTab, "verticalLayout_5");
    gridLayout = create<QGridLayout>("gridLayout");
    label = create<QLabel>(networkTab, "label");
    gridLayout->addWidget(label, 0, 0);
    label_4 = createLabel(networkTab, "label_4", Centred);
    gridLayout->addWidget(label_4, 0, 1);
    label_5 = createLabel(networkTab, "label_5", Centred);
    gridLayout->addWidget(label_5, 0, 3);
    gridLayout->addItem(new QSpacerItem(0, 20, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 4, 3, 1);
    gridLayout->addItem(new QSpacerItem(16, 20, QSizePolicy::Expanding, QSizePolicy::Minimum), 1, 0);
    principalsSpinBox = createSpinBox(networkTab, "principalsSpinBox", 1, 128);
    gridLayout->addWidget(principalsSpinBox, 1, 1);
    label_2_3 = createLabel(networkTab, "label_2_3", Centred);
    gridLayout->addWidget(label_2_3, 1, 2);
    beatsSpinBox = createSpinBox(networkTab, "beatsSpinBox", 1, 128);
    gridLayout->addWidget(beatsSpinBox, 1, 3);
    divsLabel = createLabel(networkTab, "divsLabel", Right);
    gridLayout->addWidget(divsLabel, 2, 0, 1, 3);
    divsSpinBox = createSpinBox(networkTab, "divsSpinBox", 1, 64);
    gridLayout->addWidget(divsSpinBox, 2, 3);
    verticalLayout_5->addLayout(gridLayout);
    line_4 = createLine(networkTab, "line_4");
    verticalLayout_5->addWidget(line_4);
    synchronizationLabel = create<QLabel>(networkTab, "synchronizationLabel");
    verticalLayout_5->addWidget(synchronizationLabel);
    horizontalLayout = create<QHBoxLayout>("horizontalLayout");
    tempoLabel = createLabel(networkTab, "tempoLabel", Right);
    horizontalLayout->addWidget(tempoLabel);
    tempoSpinBox = create<QSpinBox>(networkTab, "tempoSpinBox");
    horizontalLayout->addWidget(tempoSpinBox);
    horizontalLayout->addItem(new QSpacerItem(64, 18, QSizePolicy::Expanding, QSizePolicy::Minimum));
    verticalLayout_5->addLayout(horizontalLayout);
    verticalLayout_2 = create<QVBoxLayout>("verticalLayout_2");
    verticalLayout_2->setSpacing(4);
    midiInputsLabel = create<QLabel>(networkTab, "midiInputsLabel");
    verticalLayout_2->addWidget(midiInputsLabel);
    midiInputsBox = create<VerticalGraphicsListView>(networkTab, "midiInputsBox");
    midiInputsBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fixHeight(midiInputsBox, 150);
    verticalLayout_2->addWidget(midiInputsBox);
    verticalLayout_5->addLayout(verticalLayout_2);
    verticalLayout_4 = create<QVBoxLayout>("verticalLayout_4");
    verticalLayout_4->setSpacing(4);
    midiOutputsLabel = create<QLabel>(networkTab, "midiOutputsLabel");
    verticalLayout_4->addWidget(midiOutputsLabel);
    midiOutputsBox = create<VerticalGraphicsListView>(networkTab, "midiOutputsBox");
    midiOutputsBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fixHeight(midiOutputsBox, 150);
    verticalLayout_4->addWidget(midiOutputsBox);
    verticalLayout_5->addLayout(verticalLayout_4);
    line_3 = createLine(networkTab, "line_3");
    verticalLayout_5->addWidget(line_3);
    verticalLayout_6 = create<QVBoxLayout>("verticalLayout_6");
    globalScaleLabel = create<QLabel>(networkTab, "globalScaleLabel");
    verticalLayout_6->addWidget(globalScaleLabel);
    formLayout_5 = create<QFormLayout>("formLayout_5");
    formLayout_5->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    keyLabel = createLabel(networkTab, "keyLabel", Right);
    keyComboBox = create<QComboBox>(networkTab, "keyComboBox");
    keyComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    formLayout_5->addRow(keyLabel, keyComboBox);
    modeLabel = createLabel(networkTab, "modeLabel", Right);
    modeComboBox = create<QComboBox>(networkTab, "modeComboBox");
    modeComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    formLayout_5->addRow(modeLabel, modeComboBox);
    verticalLayout_6->addLayout(formLayout_5);
    verticalLayout_5->addLayout(verticalLayout_6);
    tabWidget->addTab(networkTab, QString());

    // Style tab
    styleTab = create<QWidget>("styleTab");
    verticalLayout_3 = create<QVBoxLayout>(styleTab, "verticalLayout_3");
    verticalLayout_3->addItem(verticalGap());
    formLayout_4 = create<QFormLayout>("formLayout_4");
    formLayout_4->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    formLayout_4->setFormAlignment(Qt::AlignCenter);
    presetsLabel = create<QLabel>(styleTab, "presetsLabel");
    presetsComboBox = create<QComboBox>(styleTab, "presetsComboBox");
    formLayout_4->addRow(presetsLabel, presetsComboBox);
    verticalLayout_3->addLayout(formLayout_4);
    verticalLayout_3->addItem(verticalGap());
    line_2 = createLine(styleTab, "line_2");
    verticalLayout_3->addWidget(line_2);
    verticalLayout_3->addItem(verticalGap());
    formLayout_3 = create<QFormLayout>("formLayout_3");
    formLayout_3->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    formLayout_3->setHorizontalSpacing(24);
    formLayout_3->setContentsMargins(0, 0, 24, 0);
    const struct {
        QLabel **label;
        const char *labelName;
        QPushButton **button;
        const char *buttonName;
    } colourRows[] = {
        {&backgroundLabel, "backgroundLabel", &backgroundColorButton, "backgroundColorButton"},
        {&principalLinesLabel, "principalLinesLabel", &principalLinesColorButton, "principalLinesColorButton"},
        {&principalPointsLabel, "principalPointsLabel", &principalPointsColorButton, "principalPointsColorButton"},
        {&divisionLinesLabel, "divisionLinesLabel", &divisionLinesColorButton, "divisionLinesColorButton"},
        {&divisionPointsLabel, "divisionPointsLabel", &divisionPointsColorButton, "divisionPointsColorButton"},
        {&annotationLabel, "annotationLabel", &annotationColorButton, "annotationColorButton"},
        {&nodesLabel, "nodesLabel", &nodesColorButton, "nodesColorButton"},
        {&edgesLabel, "edgesLabel", &edgesColorButton, "edgesColorButton"},
    };
    for (const auto &row : colourRows) {
        *row.label = create<QLabel>(styleTab, row.labelName);
        *row.button = create<QPushButton>(styleTab, row.buttonName);
        fixSize(*row.button, 30, 22);
        formLayout_3->addRow(*row.label, *row.button);
    }
    verticalLayout_3->addLayout(formLayout_3);
    verticalLayout_3->addItem(verticalGap());
    verticalLayout_3->addItem(verticalGap());
    verticalLayout_3->addItem(verticalGap());
    tabWidget->addTab(styleTab, QString());

    // Info tab
    infoTab = create<QWidget>("infoTab");
    verticalLayout = create<QVBoxLayout>(infoTab, "verticalLayout");
    verticalLayout->addItem(verticalGap());
    formLayout_2 = create<QFormLayout>("formLayout_2");
    formLayout_2->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    authorLabel = createLabel(infoTab, "authorLabel", Right);
    authorEdit = create<QLineEdit>(infoTab, "authorEdit");
    formLayout_2->addRow(authorLabel, authorEdit);
    titleLabel = createLabel(infoTab, "titleLabel", Right);
    titleEdit = create<QLineEdit>(infoTab, "titleEdit");
    formLayout_2->addRow(titleLabel, titleEdit);
    commentsLabel = createLabel(infoTab, "commentsLabel", Qt::AlignRight | Qt::AlignTop);
    commentsEdit = create<QPlainTextEdit>(infoTab, "commentsEdit");
    fixHeight(commentsEdit, 100);
    formLayout_2->addRow(commentsLabel, commentsEdit);
    verticalLayout->addLayout(formLayout_2);
    verticalLayout->addItem(verticalGap());
    line = createLine(infoTab, "line");
    verticalLayout->addWidget(line);
    verticalLayout->addItem(verticalGap());
    formLayout = create<QFormLayout>("formLayout");
    formLayout->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    formLayout->setVerticalSpacing(4);
    formLayout->setContentsMargins(0, 0, 24, 0);
    const struct {
        QLabel **label;
        const char *labelName;
        QLabel **count;
        const char *countName;
    } countRows[] = {
        {&label_12, "label_12", &totalInstrumentsLabel, "totalInstrumentsLabel"},
        {&label_10, "label_10", &totalEdgesLabel, "totalEdgesLabel"},
        {&label_9, "label_9", &totalNodesLabel, "totalNodesLabel"},
        {&label_11, "label_11", &totalVoiceGroupsLabel, "totalVoiceGroupsLabel"},
        {&label_8, "label_8", &totalTextBoxesLabel, "totalTextBoxesLabel"},
    };
    for (const auto &row : countRows) {
        *row.label = createLabel(infoTab, row.labelName, Right);
        *row.count = createLabel(infoTab, row.countName, Left);
        (*row.count)->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        formLayout->addRow(*row.label, *row.count);
    }
    verticalLayout->addLayout(formLayout);
    verticalLayout->addItem(verticalGap());
    verticalLayout->addItem(verticalGap());
    tabWidget->addTab(infoTab, QString());

    vboxLayout->addWidget(tabWidget);

    QWidget::setTabOrder(principalsSpinBox, beatsSpinBox);
    QWidget::setTabOrder(beatsSpinBox, divsSpinBox);
    QWidget::setTabOrder(divsSpinBox, tempoSpinBox);
    QWidget::setTabOrder(tempoSpinBox, midiInputsBox);
    QWidget::setTabOrder(midiInputsBox, midiOutputsBox);
    QWidget::setTabOrder(midiOutputsBox, presetsComboBox);
    QWidget *previous = presetsComboBox;
    for (const auto &row : colourRows) {
        QWidget::setTabOrder(previous, *row.button);
        previous = *row.button;
    }
    QWidget::setTabOrder(previous, authorEdit);
    QWidget::setTabOrder(authorEdit, titleEdit);
    QWidget::setTabOrder(titleEdit, commentsEdit);
    QWidget::setTabOrder(commentsEdit, tabWidget);

    retranslateUi(page);
    tabWidget->setCurrentIndex(0);
    QMetaObject::connectSlotsByName(page);
}

void InspectDocForm::retranslateUi(QWidget *page)
{
    auto tr = [](const char *text) { return QCoreApplication::translate("InspectDocForm", text); };
    page->setWindowTitle(tr("Document"));
    label->setText(tr("Grid"));
    label_4->setText(tr("Principals"));
    label_5->setText(tr("Beats"));
    label_2_3->setText(tr(":"));
    divsLabel->setText(tr("Divisions per principal:"));
    synchronizationLabel->setText(tr("Timing"));
    tempoLabel->setText(tr("Tempo:"));
    tempoSpinBox->setSuffix(tr(" bpm"));
    midiInputsLabel->setText(tr("MIDI Sync Inputs:"));
    midiOutputsLabel->setText(tr("MIDI Sync Outputs:"));
    globalScaleLabel->setText(tr("Global Scale"));
    keyLabel->setText(tr("Key:"));
    modeLabel->setText(tr("Mode:"));
    tabWidget->setTabText(tabWidget->indexOf(networkTab), tr("Network"));
    presetsLabel->setText(tr("Presets:"));
    backgroundLabel->setText(tr("Background:"));
    principalLinesLabel->setText(tr("Principal Lines:"));
    principalPointsLabel->setText(tr("Principal Points:"));
    divisionLinesLabel->setText(tr("Division Lines:"));
    divisionPointsLabel->setText(tr("Division Points:"));
    annotationLabel->setText(tr("Annotation:"));
    nodesLabel->setText(tr("Nodes:"));
    edgesLabel->setText(tr("Edges:"));
    tabWidget->setTabText(tabWidget->indexOf(styleTab), tr("Style"));
    authorLabel->setText(tr("Author:"));
    titleLabel->setText(tr("Title:"));
    commentsLabel->setText(tr("Comments:"));
    label_12->setText(tr("Instruments:"));
    totalInstrumentsLabel->setText(tr("0"));
    label_10->setText(tr("Edges:"));
    totalEdgesLabel->setText(tr("0"));
    label_9->setText(tr("Nodes:"));
    totalNodesLabel->setText(tr("0"));
    label_11->setText(tr("Voice Groups:"));
    totalVoiceGroupsLabel->setText(tr("0"));
    label_8->setText(tr("Text Boxes:"));
    totalTextBoxesLabel->setText(tr("0"));
    tabWidget->setTabText(tabWidget->indexOf(infoTab), tr("Info"));
}
