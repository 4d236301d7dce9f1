#include "inspector/CCItem.h"

#include "inspector/CCListEdit.h"
#include "widgets/WheellessChooser.h"

CCItem::CCItem(CCListEdit *list)
    : QFrame(list),
      m_list(list)
{
    if (list)
        QmdObserver<QmdVormaController>::setController(list->controller());
    setupUi(this);
    curveTypeChooser->setAttribute(Qt::WA_MacNormalSize);
    curveTypeChooser->setDrawBase(false);
    curveTypeChooser->addTab(tr("None"));
    curveTypeChooser->addTab(tr("Single"));
    curveTypeChooser->addTab(tr("Linear"));
    curveTypeChooser->addTab(tr("Cubic"));
    connect(curveTypeChooser, &QTabBar::currentChanged, this, &CCItem::on_curveTypeChooser_currentChanged);
    setStyleSheet(CCListEdit::rowStyleSheet(160));
}

void CCItem::curveTypeChanged(int)
{
}

void CCItem::on_curveTypeChooser_currentChanged(int index)
{
    curveTypeChanged(index);
}
