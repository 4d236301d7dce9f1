#ifndef INSPECTOR_INSPECTEDGEFORM_H
#define INSPECTOR_INSPECTEDGEFORM_H

#include <QLabel>
#include <QScrollArea>
#include <QTabBar>
#include <QWidget>

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
    QLabel *pathSection;
    QHBoxLayout *hboxLayout;
    QTabBar *pathChooser;
    QCheckBox *wormholeCheckBox;
    QFrame *line_2;
    QLabel *controllersSection;
    QScrollArea *ccListEditScrollArea;
    QWidget *ccListEdit;

    void setupUi(QWidget *page);
    void retranslateUi(QWidget *page);
};

#endif
