#include "inspector/CCListEdit.h"

#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/DocumentKeys.h"
#include "inspector/CCItemEdit.h"
#include "inspector/CCItemSpawner.h"
#include "inspector/ControllerInfo.h"
#include "inspector/ItemSignals.h"

#include <QBoxLayout>
#include <QTimer>

#include <memory>

namespace Keys = QmdVorma::Keys;

CCListEdit::CCListEdit(QWidget *parent)
    : QFrame(parent)
{
    // Curve points travel in variants and queued signals.
    static const int polygonType = qRegisterMetaType<QPolygonF>("QPolygonF");
    Q_UNUSED(polygonType)
    controllerInfos();

    QPalette p = palette();
    p.setBrush(QPalette::All, QPalette::Window, QColor(223, 228, 234));
    setPalette(p);
    setAutoFillBackground(true);

    m_layout = new QBoxLayout(QBoxLayout::TopToBottom, this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_spawner = new CCItemSpawner(this);
    m_spawner->editContainer->hide();
    m_layout->addWidget(m_spawner);
    m_layout->addStretch(0);
    sync();
}

QString CCListEdit::rowStyleSheet(int grey)
{
    return QStringLiteral("QFrame#CCItemEditForm {  border: 0px;  border-top:    1px solid rgba(250, 250, 250, 97);  "
                          "border-bottom: 1px solid rgba(90, 90, 90, 97);  background:    rgba(%1, %1, %1, 97);}")
        .arg(grey);
}

int CCListEdit::rowMinimumWidth()
{
    // A probe without controller or entry writes nothing; as a hidden child
    // of the list it takes the fonts and style sheets the rows take.
    std::unique_ptr<CCItemEdit> probe = std::make_unique<CCItemEdit>(nullptr, QmdIndex());
    probe->setParent(this);
    probe->showCodes(0, 32);
    probe->ensurePolished();
    return probe->minimumSizeHint().width();
}

int CCListEdit::rowGrey(int position)
{
    return position % 2 ? 130 : 190;
}

void CCListEdit::setController(QmdVormaController *controller)
{
    if (QmdVormaController *old = this->controller())
        disconnect(old, nullptr, this, nullptr);
    QmdObserver<QmdVormaController>::setController(controller);
    if (controller)
        connectItemSignals(controller, this, &CCListEdit::onIntDictItemsChangedOrRemoved,
                           &CCListEdit::onStrDictItemsChanged);
    m_spawner->setController(controller);
    m_edgeIndex = QmdIndex();
    m_controllersIndex = QmdIndex();
    sync();
}

void CCListEdit::setEdge(QmdItemId edgeId)
{
    QmdVormaController *c = controller();
    m_edgeIndex = QmdIndex();
    m_controllersIndex = QmdIndex();
    // Controllers belong to edges only: another element never gets the
    // dictionary.
    if (c && edgeId && c->elementData(edgeId, Keys::Type).toInt() == QmdVorma::EdgeElement)
        m_edgeIndex = c->elementIndex(edgeId);
    if (m_edgeIndex.isValid()) {
        c->requestSetTypeIfInvalid(Keys::ContinuousControllers, Qmd::IntDict, m_edgeIndex,
                                   QmdRequestOptions{Qmd::NoUndo, tr("Ensure ContinuousControllersRoot Exists"), 0});
        m_controllersIndex = c->index(Keys::ContinuousControllers, m_edgeIndex);
    }
    sync();
}

void CCListEdit::removeRow(QmdItemId id)
{
    CCItemEdit *row = m_editors.take(id);
    row->detach();
    m_layout->removeWidget(row);
    row->hide();
    row->deleteLater();
}

void CCListEdit::sync()
{
    const QList<QmdItemId> ids = m_editors.keys();
    for (QmdItemId id : ids)
        removeRow(id);
    onIntDictItemsChangedOrRemoved(m_controllersIndex);
}

void CCListEdit::onIntDictItemsChangedOrRemoved(const QmdIndex &parent)
{
    QmdVormaController *c = controller();
    if (!c || !m_edgeIndex.isValid() || parent != m_controllersIndex)
        return;
    setUpdatesEnabled(false);
    const QmdItemIdList ids = c->itemIds(parent);
    const QList<QmdItemId> shown = m_editors.keys();
    for (QmdItemId id : shown)
        if (!ids.contains(id))
            removeRow(id);
    for (QmdItemId id : ids) {
        if (m_editors.contains(id))
            continue;
        const QmdIndex entry = c->index(id, parent);
        if (c->data(Keys::CurveType, entry).toInt() == QmdVorma::NoCurve)
            continue;
        const int position = int(qMin<qint64>(id, m_layout->indexOf(m_spawner)));
        m_nextRowGrey = rowGrey(position);
        auto *row = new CCItemEdit(this, entry);
        m_nextRowGrey = 160;
        m_layout->insertWidget(position, row);
        m_editors.insert(id, row);
    }
    // Light and dark rows alternate from the top, the spawner included.
    for (int j = 0; j < m_layout->count(); ++j) {
        QWidget *w = m_layout->itemAt(j)->widget();
        const QString sheet = rowStyleSheet(rowGrey(j));
        if (w && w->styleSheet() != sheet)
            w->setStyleSheet(sheet);
    }
    setUpdatesEnabled(true);
    QTimer::singleShot(0, this, QOverload<>::of(&QWidget::update));
}

void CCListEdit::onStrDictItemsChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid)
{
    QmdVormaController *c = controller();
    if (!c || !m_edgeIndex.isValid() || !keys.contains(Keys::CurveType))
        return;
    // An undo or redo brings back what these follow-ups wrote.
    if (c->undoRedoRequestIds().contains(rid))
        return;
    const int curveType = c->data(Keys::CurveType, parent).toInt();
    if (curveType == QmdVorma::NoCurve) {
        c->requestRemove(parent, QmdRequestOptions{0, tr("Delete Controller"), rid});
        return;
    }
    const int msb = c->data(Keys::MsbCode, parent).toInt();
    const int lsb = c->data(Keys::LsbCode, parent).toInt();
    const QPolygonF points = c->data(Keys::CurvePoints, parent).value<QPolygonF>();
    const QPolygonF normalized = normalizedCurvePoints(curveType, msb, lsb, points);
    if (normalized != points)
        c->requestSetData(Keys::CurvePoints, QVariant::fromValue(normalized), parent,
                          QmdRequestOptions{0, tr("Curve Points"), rid});
}
