#include "inspector/InspectNodeForm.h"

#include "inspector/FormParts.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QMetaObject>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

using namespace FormParts;

void InspectNodeForm::setupUi(QWidget *page)
{
    preparePage(page, "InspectNodeForm", 325, 441);
    verticalLayout = create<QVBoxLayout>(page, "verticalLayout");

    verticalLayout_3 = create<QVBoxLayout>("verticalLayout_3");
    label = create<QLabel>(page, "label");
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    verticalLayout_3->addWidget(label);
    sigMethodChooser = create<QTabBar>(page, "sigMethodChooser");
    sigMethodChooser->setMinimumHeight(10);
    verticalLayout_3->addWidget(sigMethodChooser);
    gridLayout = create<QGridLayout>("gridLayout");
    gridLayout->setHorizontalSpacing(6);
    edgeUsageList = create<QGraphicsView>(page, "edgeUsageList");
    QSizePolicy stretching(QSizePolicy::Preferred, QSizePolicy::Fixed);
    stretching.setHorizontalStretch(1);
    edgeUsageList->setSizePolicy(stretching);
    fixHeight(edgeUsageList, 36);
    edgeUsageList->setAutoFillBackground(true);
    edgeUsageList->setFrameShape(QFrame::StyledPanel);
    edgeUsageList->setFrameShadow(QFrame::Sunken);
    edgeUsageList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edgeUsageList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    gridLayout->addWidget(edgeUsageList, 0, 0, 2, 1);
    addEdgeUsageButton = create<QPushButton>(page, "addEdgeUsageButton");
    fixSize(addEdgeUsageButton, 30, 22);
    addEdgeUsageButton->setIcon(QIcon(QStringLiteral(":/images/AddDropDownSymbol.png")));
    addEdgeUsageButton->setIconSize(QSize(17, 9));
    gridLayout->addWidget(addEdgeUsageButton, 0, 1);
    gridLayout->addItem(new QSpacerItem(10, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), 1, 1);
    verticalLayout_3->addLayout(gridLayout);
    verticalLayout->addLayout(verticalLayout_3);

    line = createLine(page, "line");
    verticalLayout->addWidget(line);

    gridLayout1 = create<QGridLayout>("gridLayout1");
    label_2 = create<QLabel>(page, "label_2");
    gridLayout1->addWidget(label_2, 0, 0, 1, 2);
    noteListEdit = create<QPlainTextEdit>(page, "noteListEdit");
    gridLayout1->addWidget(noteListEdit, 1, 0, 1, 2);
    muteCheckBox = create<QCheckBox>(page, "muteCheckBox");
    gridLayout1->addWidget(muteCheckBox, 2, 0);
    shuffleButton = create<QPushButton>(page, "shuffleButton");
    fixSize(shuffleButton, 30, 22);
    shuffleButton->setIcon(QIcon(QStringLiteral(":/images/ShuffleSymbol.png")));
    gridLayout1->addWidget(shuffleButton, 2, 1);
    verticalLayout->addLayout(gridLayout1);

    line_3 = createLine(page, "line_3");
    verticalLayout->addWidget(line_3);

    gridLayout2 = create<QGridLayout>("gridLayout2");
    instrumentChangeCheckBox = create<QCheckBox>(page, "instrumentChangeCheckBox");
    QFont bold = instrumentChangeCheckBox->font();
    bold.setWeight(QFont::Bold);
    instrumentChangeCheckBox->setFont(bold);
    instrumentChangeCheckBox->setChecked(true);
    gridLayout2->addWidget(instrumentChangeCheckBox, 0, 0, 1, 3);
    instrumentComboBox = create<QComboBox>(page, "instrumentComboBox");
    QSizePolicy growing(QSizePolicy::Expanding, QSizePolicy::Fixed);
    growing.setHorizontalStretch(1);
    instrumentComboBox->setSizePolicy(growing);
    instrumentComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    gridLayout2->addWidget(instrumentComboBox, 1, 0, 1, 2);
    gridLayout2->addItem(new QSpacerItem(50, 10, QSizePolicy::Fixed, QSizePolicy::Minimum), 1, 2);
    verticalLayout->addLayout(gridLayout2);

    line_2 = createLine(page, "line_2");
    verticalLayout->addWidget(line_2);

    verticalLayout_2 = create<QVBoxLayout>("verticalLayout_2");
    advancedMidiLabel = create<QLabel>(page, "advancedMidiLabel");
    advancedMidiLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    verticalLayout_2->addWidget(advancedMidiLabel);
    formLayout_2 = create<QFormLayout>("formLayout_2");
    formLayout_2->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    userMidiMessageListLabel = createLabel(page, "userMidiMessageListLabel", Right);
    userMidiMessageListLabel->setMinimumWidth(75);
    userMidiMessageListEdit = create<QLineEdit>(page, "userMidiMessageListEdit");
    formLayout_2->addRow(userMidiMessageListLabel, userMidiMessageListEdit);
    verticalLayout_2->addLayout(formLayout_2);
    verticalLayout->addLayout(verticalLayout_2);

    QWidget::setTabOrder(edgeUsageList, addEdgeUsageButton);
    QWidget::setTabOrder(addEdgeUsageButton, noteListEdit);
    QWidget::setTabOrder(noteListEdit, muteCheckBox);
    QWidget::setTabOrder(muteCheckBox, shuffleButton);
    QWidget::setTabOrder(shuffleButton, instrumentChangeCheckBox);
    QWidget::setTabOrder(instrumentChangeCheckBox, instrumentComboBox);
    QWidget::setTabOrder(instrumentComboBox, userMidiMessageListEdit);

    retranslateUi(page);
    QObject::connect(instrumentChangeCheckBox, &QCheckBox::toggled, instrumentComboBox, &QWidget::setEnabled);
    QMetaObject::connectSlotsByName(page);
}

void InspectNodeForm::retranslateUi(QWidget *page)
{
    auto tr = [](const char *text) { return QCoreApplication::translate("InspectNodeForm", text); };
    page->setWindowTitle(tr("Node"));
    label->setText(tr("Signalling"));
    addEdgeUsageButton->setToolTip(tr("Add Edge Tile"));
    label_2->setText(tr("Notes"));
    muteCheckBox->setText(tr("Mute"));
    shuffleButton->setToolTip(tr("Shuffle Notes"));
    shuffleButton->setText(QString());
    instrumentChangeCheckBox->setText(tr("Instrument Change"));
    advancedMidiLabel->setText(tr("Advanced MIDI"));
    userMidiMessageListLabel->setText(tr("Message List:"));
}
