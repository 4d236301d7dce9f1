#include "inspector/InspectVoiceGroupForm.h"

#include "inspector/FormParts.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QMetaObject>
#include <QSpacerItem>
#include <QVBoxLayout>

using namespace FormParts;

namespace {

QComboBox *createGrowingComboBox(QWidget *parent, const char *name)
{
    auto *box = create<QComboBox>(parent, name);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return box;
}

template <typename Edit>
Edit *createNarrowEdit(QWidget *parent, const char *name)
{
    auto *edit = create<Edit>(parent, name);
    edit->setMaximumWidth(40);
    return edit;
}

} // namespace

void InspectVoiceGroupForm::setupUi(QWidget *page)
{
    preparePage(page, "InspectVoiceGroupForm", 297, 406);
    verticalLayout_3 = create<QVBoxLayout>(page, "verticalLayout_3");

    verticalLayout_2 = create<QVBoxLayout>("verticalLayout_2");
    triggeringSectionLabel = create<QLabel>(page, "triggeringSectionLabel");
    verticalLayout_2->addWidget(triggeringSectionLabel);
    gridLayout = create<QGridLayout>("gridLayout");
    midiNotesLabel = create<QLabel>(page, "midiNotesLabel");
    gridLayout->addWidget(midiNotesLabel, 0, 0);
    midiPitchListEdit = create<QLineEdit>(page, "midiPitchListEdit");
    gridLayout->addWidget(midiPitchListEdit, 0, 1);
    quantizationLabel = create<QLabel>(page, "quantizationLabel");
    gridLayout->addWidget(quantizationLabel, 1, 0, 1, 2);
    quantizationChooser = create<QTabBar>(page, "quantizationChooser");
    quantizationChooser->setMinimumSize(20, 20);
    gridLayout->addWidget(quantizationChooser, 2, 0, 1, 2);
    gridLayout->addItem(new QSpacerItem(9, 9, QSizePolicy::Minimum, QSizePolicy::Fixed), 3, 0, 1, 2);
    midiVelocityScalingCheckBox = create<QCheckBox>(page, "midiVelocityScalingCheckBox");
    gridLayout->addWidget(midiVelocityScalingCheckBox, 5, 0, 1, 2);
    noteLabel = createLabel(page, "noteLabel", Centred);
    noteLabel->setWordWrap(true);
    noteLabel->setEnabled(false);
    gridLayout->addWidget(noteLabel, 6, 0, 1, 2);
    verticalLayout_2->addLayout(gridLayout);
    verticalLayout_3->addLayout(verticalLayout_2);

    line = createLine(page, "line");
    verticalLayout_3->addWidget(line);

    verticalLayout = create<QVBoxLayout>("verticalLayout");
    initialVoiceLabel = create<QLabel>(page, "initialVoiceLabel");
    verticalLayout->addWidget(initialVoiceLabel);
    formLayout = create<QFormLayout>("formLayout");
    formLayout->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    label_7 = createLabel(page, "label_7", Right);
    pitchEdit = createNarrowEdit<QLineEdit>(page, "pitchEdit");
    formLayout->addRow(label_7, pitchEdit);
    label_8 = createLabel(page, "label_8", Right);
    velocityEdit = createNarrowEdit<QLineEdit>(page, "velocityEdit");
    formLayout->addRow(label_8, velocityEdit);
    label_9 = createLabel(page, "label_9", Right);
    durationEdit = createNarrowEdit<QLineEdit>(page, "durationEdit");
    formLayout->addRow(label_9, durationEdit);
    label_10 = createLabel(page, "label_10", Right);
    instrumentComboBox = createGrowingComboBox(page, "instrumentComboBox");
    formLayout->addRow(label_10, instrumentComboBox);
    verticalLayout->addLayout(formLayout);
    verticalLayout_3->addLayout(verticalLayout);

    line_3 = createLine(page, "line_3");
    verticalLayout_3->addWidget(line_3);
    muteCheckBox = create<QCheckBox>(page, "muteCheckBox");
    verticalLayout_3->addWidget(muteCheckBox);
    line_2 = createLine(page, "line_2");
    verticalLayout_3->addWidget(line_2);

    verticalLayout_4 = create<QVBoxLayout>("verticalLayout_4");
    useScaleCheckBox = create<QCheckBox>(page, "useScaleCheckBox");
    QFont bold = useScaleCheckBox->font();
    bold.setWeight(QFont::Bold);
    useScaleCheckBox->setFont(bold);
    verticalLayout_4->addWidget(useScaleCheckBox);
    formLayout_2 = create<QFormLayout>("formLayout_2");
    formLayout_2->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    keyLabel = createLabel(page, "keyLabel", Right);
    keyComboBox = createGrowingComboBox(page, "keyComboBox");
    formLayout_2->setWidget(1, QFormLayout::LabelRole, keyLabel);
    formLayout_2->setWidget(1, QFormLayout::FieldRole, keyComboBox);
    modeLabel = createLabel(page, "modeLabel", Right);
    modeComboBox = createGrowingComboBox(page, "modeComboBox");
    formLayout_2->setWidget(2, QFormLayout::LabelRole, modeLabel);
    formLayout_2->setWidget(2, QFormLayout::FieldRole, modeComboBox);
    verticalLayout_4->addLayout(formLayout_2);
    verticalLayout_3->addLayout(verticalLayout_4);

    QWidget::setTabOrder(pitchEdit, velocityEdit);
    QWidget::setTabOrder(velocityEdit, durationEdit);
    QWidget::setTabOrder(durationEdit, instrumentComboBox);

    retranslateUi(page);
    for (QWidget *w : {static_cast<QWidget *>(keyComboBox), static_cast<QWidget *>(modeComboBox),
                       static_cast<QWidget *>(keyLabel), static_cast<QWidget *>(modeLabel)})
        QObject::connect(useScaleCheckBox, &QCheckBox::toggled, w, &QWidget::setEnabled);
    QMetaObject::connectSlotsByName(page);
}

void InspectVoiceGroupForm::retranslateUi(QWidget *page)
{
    auto tr = [](const char *text) { return QCoreApplication::translate("InspectVoiceGroupForm", text); };
    page->setWindowTitle(tr("Voice Group"));
    triggeringSectionLabel->setText(tr("Triggering"));
    midiNotesLabel->setText(tr("MIDI Pitch List:"));
    quantizationLabel->setText(tr("Quantization:"));
    midiVelocityScalingCheckBox->setText(tr("MIDI Velocity Scaling"));
    noteLabel->setText(tr("Works best with a long toggle timeout \n- see Preferences."));
    initialVoiceLabel->setText(tr("Initial Voice"));
    label_7->setText(tr("Pitch:"));
    label_8->setText(tr("Velocity:"));
    label_9->setText(tr("Duration:"));
    label_10->setText(tr("Instrument:"));
    muteCheckBox->setText(tr("Mute"));
    useScaleCheckBox->setText(tr("Use Scale:"));
    keyLabel->setText(tr("Key:"));
    modeLabel->setText(tr("Mode:"));
}
