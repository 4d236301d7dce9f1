#ifndef INSPECTOR_INSPECTEDGEFORM_H
#define INSPECTOR_INSPECTEDGEFORM_H

#include "inspector/CCListEdit.h"
#include "inspector/CCListEditScrollArea.h"
#include "inspector/SectionLabel.h"
#include "widgets/Chooser.h"


class QCheckBox;
class QFrame;
class QHBoxLayout;
class QVBoxLayout;

// The widgets of the inspector's Edge page.
class InspectEdgeForm
{
public:
    QVBoxLayout *verticalLayout_2;
    QVBoxLayout *verticalLayout;
    QVBoxLayout *vboxLayout;
    SectionLabel *pathSection;
    QHBoxLayout *hboxLayout;
    Chooser *pathChooser;
    QCheckBox *wormholeCheckBox;
    QFrame *line_2;
    SectionLabel *controllersSection;
    CCListEditScrollArea *ccListEditScrollArea;
    CCListEdit *ccListEdit;

    void setupUi(QWidget *page);
    void retranslateUi(QWidget *page);
};

#endif
