#include "inspector/CCItemEditForm.h"

#include "widgets/WheellessChooser.h"
#include "widgets/WheellessQwpComboBox.h"

#include <QCoreApplication>
#include <QDial>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpacerItem>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CCItemEditForm", text);
}

QSpinBox *valueBox(QWidget *parent, const char *name)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setMinimumWidth(50);
    box->setAlignment(Qt::AlignCenter);
    box->setButtonSymbols(QAbstractSpinBox::NoButtons);
    return box;
}

QLabel *centredLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QSpacerItem *expandingSpacer()
{
    return new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum);
}

// A row of three pictures of numbers: the left, middle and right marks of
// the slider's scale.
QWidget *markerRow(QWidget *parent, const char *name, const char *layoutName, int leftMargin,
                   const char *const labels[3], const char *const pictures[3])
{
    auto *row = new QWidget(parent);
    row->setObjectName(QLatin1String(name));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHorizontalStretch(3);
    row->setSizePolicy(policy);
    auto *layout = new QHBoxLayout(row);
    layout->setObjectName(QLatin1String(layoutName));
    layout->setSpacing(0);
    layout->setContentsMargins(leftMargin, 0, 0, 0);
    const Qt::Alignment alignments[3] = {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter,
                                         Qt::AlignRight | Qt::AlignVCenter};
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(row);
        label->setObjectName(QLatin1String(labels[i]));
        label->setPixmap(QPixmap(QLatin1String(pictures[i])));
        label->setAlignment(alignments[i]);
        layout->addWidget(label);
    }
    return row;
}

QSizePolicy stretched(int stretch)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHorizontalStretch(stretch);
    return policy;
}

} // namespace

namespace Ui {

void CCItemEditForm::setupUi(QFrame *form)
{
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("CCItemEditForm"));

    verticalLayout_2 = new QVBoxLayout(form);
    verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
    verticalLayout_2->setContentsMargins(6, 12, 6, 12);

    curveTypeChooser = new WheellessChooser(form);
    curveTypeChooser->setObjectName(QStringLiteral("curveTypeChooser"));
    verticalLayout_2->addWidget(curveTypeChooser);

    editContainer = new QWidget(form);
    editContainer->setObjectName(QStringLiteral("editContainer"));
    verticalLayout_2->addWidget(editContainer);
    verticalLayout_3 = new QVBoxLayout(editContainer);
    verticalLayout_3->setObjectName(QStringLiteral("verticalLayout_3"));
    verticalLayout_3->setContentsMargins(0, 0, 0, 0);

    gridLayout = new QGridLayout();
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    verticalLayout_3->addLayout(gridLayout);
    const QSizePolicy labelPolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    const QSizePolicy comboPolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    msbLabel = new QLabel(editContainer);
    msbLabel->setObjectName(QStringLiteral("msbLabel"));
    msbLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    msbLabel->setSizePolicy(labelPolicy);
    gridLayout->addWidget(msbLabel, 0, 0);
    msbComboBox = new WheellessQwpComboBox(editContainer);
    msbComboBox->setObjectName(QStringLiteral("msbComboBox"));
    msbComboBox->setSizePolicy(comboPolicy);
    gridLayout->addWidget(msbComboBox, 0, 1);
    lsbLabel = new QLabel(editContainer);
    lsbLabel->setObjectName(QStringLiteral("lsbLabel"));
    lsbLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lsbLabel->setSizePolicy(labelPolicy);
    gridLayout->addWidget(lsbLabel, 1, 0);
    lsbComboBox = new WheellessQwpComboBox(editContainer);
    lsbComboBox->setObjectName(QStringLiteral("lsbComboBox"));
    lsbComboBox->setSizePolicy(comboPolicy);
    gridLayout->addWidget(lsbComboBox, 1, 1);

    stackedEditWidget = new QStackedWidget(editContainer);
    stackedEditWidget->setObjectName(QStringLiteral("stackedEditWidget"));
    verticalLayout_3->addWidget(stackedEditWidget);

    // The single-value page.
    singleValuePage = new QWidget();
    singleValuePage->setObjectName(QStringLiteral("singleValuePage"));
    gridLayout_2 = new QGridLayout(singleValuePage);
    gridLayout_2->setObjectName(QStringLiteral("gridLayout_2"));
    gridLayout_2->setContentsMargins(0, 0, 0, 0);
    gridLayout_3 = new QGridLayout();
    gridLayout_3->setObjectName(QStringLiteral("gridLayout_3"));
    gridLayout_3->setVerticalSpacing(4);
    gridLayout_2->addLayout(gridLayout_3, 0, 0, 1, 2);

    static const char *const combinedLabels[3] = {"label_20", "label_21", "label_22"};
    static const char *const combinedPictures[3] = {":/images/SingleValue0.png", ":/images/SingleValue8192.png",
                                                    ":/images/SingleValue16383.png"};
    static const char *const lsbLabels[3] = {"label_23", "label_24", "label_25"};
    static const char *const lsbPictures[3] = {":/images/SingleValue0.png", ":/images/SingleValue64.png",
                                               ":/images/SingleValue127.png"};
    static const char *const bendLabels[3] = {"label_26", "label_27", "label_28"};
    static const char *const bendPictures[3] = {":/images/SingleValueNeg8192.png", ":/images/SingleValue0.png",
                                                ":/images/SingleValuePos8191.png"};
    gridLayout_3->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), 0, 0);
    singleValueCombinedValueMarkers = markerRow(singleValuePage, "singleValueCombinedValueMarkers",
                                                "horizontalLayout_10", 4, combinedLabels, combinedPictures);
    gridLayout_3->addWidget(singleValueCombinedValueMarkers, 1, 0);
    singleValueCombinedSlider = new QSlider(Qt::Horizontal, singleValuePage);
    singleValueCombinedSlider->setObjectName(QStringLiteral("singleValueCombinedSlider"));
    singleValueCombinedSlider->setTickPosition(QSlider::TicksBelow);
    singleValueCombinedSlider->setSizePolicy(stretched(3));
    gridLayout_3->addWidget(singleValueCombinedSlider, 2, 0);
    singleValueLsbValueMarkers = markerRow(singleValuePage, "singleValueLsbValueMarkers", "horizontalLayout_11", 4,
                                           lsbLabels, lsbPictures);
    gridLayout_3->addWidget(singleValueLsbValueMarkers, 3, 0);
    singleValuePitchBendMarkers = markerRow(singleValuePage, "singleValuePitchBendMarkers", "horizontalLayout_12",
                                            0, bendLabels, bendPictures);
    gridLayout_3->addWidget(singleValuePitchBendMarkers, 4, 0);
    gridLayout_3->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), 5, 0);
    singleValueCombinedDial = new QDial(singleValuePage);
    singleValueCombinedDial->setObjectName(QStringLiteral("singleValueCombinedDial"));
    QSizePolicy dialPolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    dialPolicy.setHorizontalStretch(1);
    singleValueCombinedDial->setSizePolicy(dialPolicy);
    gridLayout_3->addWidget(singleValueCombinedDial, 0, 1, 6, 1);

    horizontalLayout_2 = new QHBoxLayout();
    horizontalLayout_2->setObjectName(QStringLiteral("horizontalLayout_2"));
    gridLayout_2->addLayout(horizontalLayout_2, 1, 0, 1, 2);
    horizontalLayout_2->addItem(expandingSpacer());
    singleValueMsbSpinBox = valueBox(singleValuePage, "singleValueMsbSpinBox");
    singleValueLsbSpinBox = valueBox(singleValuePage, "singleValueLsbSpinBox");
    singleValueCombinedEqualsLabel = centredLabel(singleValuePage, "singleValueCombinedEqualsLabel");
    singleValueStandardCombinedSpinBox = valueBox(singleValuePage, "singleValueStandardCombinedSpinBox");
    singleValuePitchBendCombinedSpinBox = valueBox(singleValuePage, "singleValuePitchBendCombinedSpinBox");
    for (QWidget *w : {static_cast<QWidget *>(singleValueMsbSpinBox), static_cast<QWidget *>(singleValueLsbSpinBox),
                       static_cast<QWidget *>(singleValueCombinedEqualsLabel),
                       static_cast<QWidget *>(singleValueStandardCombinedSpinBox),
                       static_cast<QWidget *>(singleValuePitchBendCombinedSpinBox)})
        horizontalLayout_2->addWidget(w);
    horizontalLayout_2->addItem(expandingSpacer());
    stackedEditWidget->addWidget(singleValuePage);

    // The curve page.
    curveEditPage = new QWidget();
    curveEditPage->setObjectName(QStringLiteral("curveEditPage"));
    verticalLayout = new QVBoxLayout(curveEditPage);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    horizontalLayout_3 = new QHBoxLayout();
    horizontalLayout_3->setObjectName(QStringLiteral("horizontalLayout_3"));
    verticalLayout->addLayout(horizontalLayout_3);
    horizontalLayout_3->addItem(expandingSpacer());
    curveEdit = new QFrame(curveEditPage);
    curveEdit->setObjectName(QStringLiteral("curveEdit"));
    curveEdit->setFrameShape(QFrame::NoFrame);
    curveEdit->setMinimumHeight(60);
    horizontalLayout_3->addWidget(curveEdit);
    horizontalLayout_3->addItem(expandingSpacer());

    horizontalLayout = new QHBoxLayout();
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    verticalLayout->addLayout(horizontalLayout);
    horizontalLayout->addItem(expandingSpacer());
    pointXSpinBox = new QDoubleSpinBox(curveEditPage);
    pointXSpinBox->setObjectName(QStringLiteral("pointXSpinBox"));
    pointXSpinBox->setMinimumWidth(50);
    pointXSpinBox->setAlignment(Qt::AlignCenter);
    pointXSpinBox->setButtonSymbols(QAbstractSpinBox::NoButtons);
    pointXSpinBox->setMaximum(1);
    pointXSpinBox->setSingleStep(0.01);
    label_2 = centredLabel(curveEditPage, "label_2");
    pointMsbSpinBox = valueBox(curveEditPage, "pointMsbSpinBox");
    pointLsbSpinBox = valueBox(curveEditPage, "pointLsbSpinBox");
    pointCombinedEqualsLabel = centredLabel(curveEditPage, "pointCombinedEqualsLabel");
    pointStandardCombinedSpinBox = valueBox(curveEditPage, "pointStandardCombinedSpinBox");
    pointPitchBendCombinedSpinBox = valueBox(curveEditPage, "pointPitchBendCombinedSpinBox");
    for (QWidget *w : {static_cast<QWidget *>(pointXSpinBox), static_cast<QWidget *>(label_2),
                       static_cast<QWidget *>(pointMsbSpinBox), static_cast<QWidget *>(pointLsbSpinBox),
                       static_cast<QWidget *>(pointCombinedEqualsLabel),
                       static_cast<QWidget *>(pointStandardCombinedSpinBox),
                       static_cast<QWidget *>(pointPitchBendCombinedSpinBox)})
        horizontalLayout->addWidget(w);
    horizontalLayout->addItem(expandingSpacer());
    stackedEditWidget->addWidget(curveEditPage);

    retranslateUi(form);
    stackedEditWidget->setCurrentIndex(0);
}

void CCItemEditForm::retranslateUi(QFrame *)
{
    msbLabel->setText(tr("MSB:"));
    msbComboBox->setToolTip(tr("MSB Code"));
    lsbLabel->setText(tr("LSB:"));
    lsbComboBox->setToolTip(tr("LSB Code"));
    singleValueMsbSpinBox->setToolTip(tr("MSB"));
    singleValueLsbSpinBox->setToolTip(tr("LSB"));
    singleValueCombinedEqualsLabel->setText(tr("="));
    singleValueStandardCombinedSpinBox->setToolTip(tr("value"));
    singleValuePitchBendCombinedSpinBox->setToolTip(tr("value"));
    pointXSpinBox->setToolTip(tr("x"));
    label_2->setText(tr(","));
    pointMsbSpinBox->setToolTip(tr("MSB"));
    pointLsbSpinBox->setToolTip(tr("LSB"));
    pointCombinedEqualsLabel->setText(tr("="));
    pointStandardCombinedSpinBox->setToolTip(tr("y"));
    pointPitchBendCombinedSpinBox->setToolTip(tr("y"));
}

} // namespace Ui
