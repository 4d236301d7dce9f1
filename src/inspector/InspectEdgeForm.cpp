#include "inspector/InspectEdgeForm.h"

#include "inspector/FormParts.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QSpacerItem>
#include <QVBoxLayout>

using namespace FormParts;

void InspectEdgeForm::setupUi(QWidget *page)
{
    preparePage(page, "InspectEdgeForm", 177, 566);
    verticalLayout_2 = create<QVBoxLayout>(page, "verticalLayout_2");
    verticalLayout_2->setSpacing(0);
    verticalLayout_2->setContentsMargins(0, 0, 0, 0);
    verticalLayout = create<QVBoxLayout>("verticalLayout");
    verticalLayout->setSpacing(12);
    verticalLayout->setContentsMargins(12, 12, 12, 12);
    vboxLayout = create<QVBoxLayout>("vboxLayout");
    pathSection = create<QLabel>(page, "pathSection");
    pathSection->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    vboxLayout->addWidget(pathSection);
    hboxLayout = create<QHBoxLayout>("hboxLayout");
    pathChooser = create<QTabBar>(page, "pathChooser");
    pathChooser->setMinimumWidth(20);
    hboxLayout->addWidget(pathChooser);
    hboxLayout->addItem(new QSpacerItem(24, 10, QSizePolicy::Fixed, QSizePolicy::Minimum));
    wormholeCheckBox = create<QCheckBox>(page, "wormholeCheckBox");
    QSizePolicy stretching(QSizePolicy::Expanding, QSizePolicy::Fixed);
    stretching.setHorizontalStretch(1);
    wormholeCheckBox->setSizePolicy(stretching);
    hboxLayout->addWidget(wormholeCheckBox);
    vboxLayout->addLayout(hboxLayout);
    verticalLayout->addLayout(vboxLayout);
    line_2 = createLine(page, "line_2");
    verticalLayout->addWidget(line_2);
    controllersSection = create<QLabel>(page, "controllersSection");
    controllersSection->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    verticalLayout->addWidget(controllersSection);
    verticalLayout_2->addLayout(verticalLayout);

    ccListEditScrollArea = create<QScrollArea>(page, "ccListEditScrollArea");
    fixHeight(ccListEditScrollArea, 450);
    ccListEditScrollArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ccListEditScrollArea->setFrameShape(QFrame::NoFrame);
    ccListEditScrollArea->setWidgetResizable(true);
    ccListEdit = create<QWidget>("ccListEdit");
    ccListEdit->setGeometry(0, 0, 177, 450);
    ccListEditScrollArea->setWidget(ccListEdit);
    verticalLayout_2->addWidget(ccListEditScrollArea);

    retranslateUi(page);
    QMetaObject::connectSlotsByName(page);
}

void InspectEdgeForm::retranslateUi(QWidget *page)
{
    auto tr = [](const char *text) { return QCoreApplication::translate("InspectEdgeForm", text); };
    page->setWindowTitle(tr("Edge"));
    pathSection->setText(tr("Path"));
    wormholeCheckBox->setText(tr("Wormhole"));
    controllersSection->setText(tr("Continuous Controllers"));
}
