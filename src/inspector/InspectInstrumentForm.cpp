#include "inspector/InspectInstrumentForm.h"

#include "inspector/FormParts.h"
#include "inspector/InstrumentsView.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPixmap>
#include <QSpacerItem>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace FormParts;

void InspectInstrumentForm::setupUi(QWidget *page)
{
    preparePage(page, "InspectInstrumentForm", 273, 418);
    verticalLayout = create<QVBoxLayout>(page, "verticalLayout");
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(0, 0, 0, 0);

    listView = create<InstrumentsView>(page, "listView");
    fixHeight(listView, 160);
    listView->setFrameShape(QFrame::NoFrame);
    listView->setLineWidth(0);
    listView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listView->setUniformItemSizes(true);
    verticalLayout->addWidget(listView);

    listButtonsFrame = create<QFrame>(page, "listButtonsFrame");
    listButtonsFrame->setFrameShape(QFrame::NoFrame);
    horizontalLayout = create<QHBoxLayout>(listButtonsFrame, "horizontalLayout");
    horizontalLayout->setSpacing(0);
    horizontalLayout->setContentsMargins(0, 0, 0, 0);
    listButtonsSpacerLabel = create<QLabel>(listButtonsFrame, "listButtonsSpacerLabel");
    fixHeight(listButtonsSpacerLabel, 24);
    QSizePolicy stretching(QSizePolicy::Expanding, QSizePolicy::Fixed);
    stretching.setHorizontalStretch(1);
    listButtonsSpacerLabel->setSizePolicy(stretching);
    listButtonsSpacerLabel->setAutoFillBackground(true);
    listButtonsSpacerLabel->setPixmap(QPixmap(QStringLiteral(":/images/Inspector/ListButtonsSpacer.png")));
    listButtonsSpacerLabel->setScaledContents(true);
    horizontalLayout->addWidget(listButtonsSpacerLabel);
    listAddButton = create<QPushButton>(listButtonsFrame, "listAddButton");
    fixSize(listAddButton, 32, 24);
    listAddButton->setFlat(true);
    horizontalLayout->addWidget(listAddButton);
    verticalLayout->addWidget(listButtonsFrame);

    editFrame = create<QFrame>(page, "editFrame");
    editFrame->setFrameShape(QFrame::NoFrame);
    verticalLayout_2 = create<QVBoxLayout>(editFrame, "verticalLayout_2");
    formLayout = create<QFormLayout>("formLayout");
    formLayout->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    label_5 = createLabel(editFrame, "label_5", Right);
    hboxLayout = create<QHBoxLayout>("hboxLayout");
    labelEdit = create<QLineEdit>(editFrame, "labelEdit");
    hboxLayout->addWidget(labelEdit);
    colorButton = create<QPushButton>(editFrame, "colorButton");
    fixSize(colorButton, 30, 22);
    hboxLayout->addWidget(colorButton);
    formLayout->addRow(label_5, hboxLayout);
    label_3 = createLabel(editFrame, "label_3", Right);
    midiPortsComboBox = create<QComboBox>(editFrame, "midiPortsComboBox");
    midiPortsComboBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    formLayout->addRow(label_3, midiPortsComboBox);
    label_4 = createLabel(editFrame, "label_4", Right);
    label_4->setMinimumHeight(20);
    midiChannelsBox = create<QWidget>(editFrame, "midiChannelsBox");
    midiChannelsBox->setMinimumWidth(50);
    formLayout->addRow(label_4, midiChannelsBox);
    verticalLayout_2->addLayout(formLayout);

    gridLayout = create<QGridLayout>("gridLayout");
    gridLayout->setHorizontalSpacing(0);
    gridLayout->setVerticalSpacing(6);
    gridLayout->setContentsMargins(9, -1, -1, -1);
    gridLayout->addItem(new QSpacerItem(12, 12, QSizePolicy::Fixed, QSizePolicy::Minimum), 0, 0);
    midiProgramChangeCheckBox = create<QCheckBox>(editFrame, "midiProgramChangeCheckBox");
    midiProgramChangeCheckBox->setChecked(true);
    gridLayout->addWidget(midiProgramChangeCheckBox, 0, 1);
    midiProgramChangeGroupBox = create<QGroupBox>(editFrame, "midiProgramChangeGroupBox");
    gridLayout_2 = create<QGridLayout>(midiProgramChangeGroupBox, "gridLayout_2");
    label_13 = createLabel(midiProgramChangeGroupBox, "label_13", Centred);
    gridLayout_2->addWidget(label_13, 0, 0);
    label_14 = createLabel(midiProgramChangeGroupBox, "label_14", Centred);
    gridLayout_2->addWidget(label_14, 0, 1);
    label_15 = createLabel(midiProgramChangeGroupBox, "label_15", Centred);
    gridLayout_2->addWidget(label_15, 0, 2);
    midiProgramSpinBox = createSpinBox(midiProgramChangeGroupBox, "midiProgramSpinBox", 1, 128);
    gridLayout_2->addWidget(midiProgramSpinBox, 1, 0);
    midiBankMSBSpinBox = createSpinBox(midiProgramChangeGroupBox, "midiBankMSBSpinBox", 0, 127);
    gridLayout_2->addWidget(midiBankMSBSpinBox, 1, 1);
    midiBankLSBSpinBox = createSpinBox(midiProgramChangeGroupBox, "midiBankLSBSpinBox", 0, 127);
    gridLayout_2->addWidget(midiBankLSBSpinBox, 1, 2);
    gridLayout->addWidget(midiProgramChangeGroupBox, 1, 0, 1, 2);
    verticalLayout_2->addLayout(gridLayout);
    verticalLayout->addWidget(editFrame);

    QWidget::setTabOrder(listAddButton, labelEdit);
    QWidget::setTabOrder(labelEdit, colorButton);
    QWidget::setTabOrder(colorButton, midiPortsComboBox);
    QWidget::setTabOrder(midiPortsComboBox, midiProgramChangeCheckBox);
    QWidget::setTabOrder(midiProgramChangeCheckBox, midiProgramSpinBox);
    QWidget::setTabOrder(midiProgramSpinBox, midiBankMSBSpinBox);
    QWidget::setTabOrder(midiBankMSBSpinBox, midiBankLSBSpinBox);
    QWidget::setTabOrder(midiBankLSBSpinBox, listView);

    retranslateUi(page);
    QMetaObject::connectSlotsByName(page);
}

void InspectInstrumentForm::retranslateUi(QWidget *page)
{
    auto tr = [](const char *text) { return QCoreApplication::translate("InspectInstrumentForm", text); };
    page->setWindowTitle(tr("Instrument"));
    listAddButton->setToolTip(tr("Add Instrument"));
    label_5->setText(tr("Label:"));
    label_3->setText(tr("Port:"));
    label_4->setText(tr("Channels:"));
    midiProgramChangeCheckBox->setText(tr("Program Change:"));
    label_13->setText(tr("Program"));
    label_14->setText(tr("Bank MSB"));
    label_15->setText(tr("Bank LSB"));
}
