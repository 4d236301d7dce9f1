#ifndef INSPECTOR_CCITEMEDITFORM_H
#define INSPECTOR_CCITEMEDITFORM_H

class QDial;
class QDoubleSpinBox;
class QFrame;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QSlider;
class QSpinBox;
class QStackedWidget;
class QVBoxLayout;
class QWidget;
class WheellessChooser;
class WheellessQwpComboBox;

namespace Ui {

// The widgets of one controller row: the curve-type chooser, the MSB and LSB
// choosers and a stack of the single-value page and the curve page.
class CCItemEditForm
{
public:
    QVBoxLayout *verticalLayout_2;
    WheellessChooser *curveTypeChooser;
    QWidget *editContainer;
    QVBoxLayout *verticalLayout_3;
    QGridLayout *gridLayout;
    QLabel *msbLabel;
    WheellessQwpComboBox *msbComboBox;
    QLabel *lsbLabel;
    WheellessQwpComboBox *lsbComboBox;
    QStackedWidget *stackedEditWidget;

    QWidget *singleValuePage;
    QGridLayout *gridLayout_2;
    QGridLayout *gridLayout_3;
    QWidget *singleValueCombinedValueMarkers;
    QSlider *singleValueCombinedSlider;
    QWidget *singleValueLsbValueMarkers;
    QWidget *singleValuePitchBendMarkers;
    QDial *singleValueCombinedDial;
    QHBoxLayout *horizontalLayout_2;
    QSpinBox *singleValueMsbSpinBox;
    QSpinBox *singleValueLsbSpinBox;
    QLabel *singleValueCombinedEqualsLabel;
    QSpinBox *singleValueStandardCombinedSpinBox;
    QSpinBox *singleValuePitchBendCombinedSpinBox;

    QWidget *curveEditPage;
    QVBoxLayout *verticalLayout;
    QHBoxLayout *horizontalLayout_3;
    QFrame *curveEdit;
    QHBoxLayout *horizontalLayout;
    QDoubleSpinBox *pointXSpinBox;
    QLabel *label_2;
    QSpinBox *pointMsbSpinBox;
    QSpinBox *pointLsbSpinBox;
    QLabel *pointCombinedEqualsLabel;
    QSpinBox *pointStandardCombinedSpinBox;
    QSpinBox *pointPitchBendCombinedSpinBox;

    void setupUi(QFrame *form);
    void retranslateUi(QFrame *form);
};

} // namespace Ui

#endif
