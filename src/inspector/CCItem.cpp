#include "inspector/CCItem.h"

#include "inspector/CCListEdit.h"
#include "widgets/WheellessChooser.h"

CCItem::CCItem(CCListEdit *list)
    : QFrame(list),
      m_list(list)
{
    if (list)
        QmdObserver<QmdVormaController>::setController(list->controller());
    // Styled before the form's widgets exist: a style sheet set later makes
    // every one of them polish again (the combo boxes build their popups),
    // which dominates building a list of rows. The list tells the grey of
    // the place the row goes to.
    setStyleSheet(CCListEdit::rowStyleSheet(list ? list->nextRowGrey() : 160));
    setupUi(this);
    curveTypeChooser->setAttribute(Qt::WA_MacNormalSize);
    curveTypeChooser->setDrawBase(false);
    curveTypeChooser->addTab(tr("None"));
    curveTypeChooser->addTab(tr("Single"));
    curveTypeChooser->addTab(tr("Linear"));
    curveTypeChooser->addTab(tr("Cubic"));
    connect(curveTypeChooser, &QTabBar::currentChanged, this, &CCItem::on_curveTypeChooser_currentChanged);
}

void CCItem::curveTypeChanged(int)
{
}

void CCItem::on_curveTypeChooser_currentChanged(int index)
{
    curveTypeChanged(index);
}
