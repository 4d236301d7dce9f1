#include "app/SharedDialog.h"

#include <QDialog>

SharedDialog::SharedDialog(QDialog *dialog, const char *changedSignal, const char *selectedSignal, QObject *parent)
    : QObject(parent)
    , m_dialog(dialog)
    , m_changedSignal(changedSignal)
    , m_selectedSignal(selectedSignal)
{
}

SharedDialog::~SharedDialog()
{
    disconnect(m_clientDestroyed);
    delete m_dialog;
}

bool SharedDialog::isVisible() const
{
    return m_dialog->isVisible();
}

void SharedDialog::show(QWidget *keepActive)
{
    if (!m_dialog->isVisible())
        m_dialog->show();
    m_dialog->raise();
    if (keepActive)
        keepActive->activateWindow();
}

void SharedDialog::disconnectValueSignals()
{
    QObject::disconnect(m_dialog, m_changedSignal, nullptr, nullptr);
    QObject::disconnect(m_dialog, m_selectedSignal, nullptr, nullptr);
    disconnect(m_clientDestroyed);
    m_client = nullptr;
}

void SharedDialog::connectClient(QObject *client, const char *member)
{
    disconnectValueSignals();
    if (!client || !member)
        return;
    QObject::connect(m_dialog, m_changedSignal, client, member);
    QObject::connect(m_dialog, m_selectedSignal, client, member);
    m_clientDestroyed = connect(client, &QObject::destroyed, this, &SharedDialog::disconnectClient);
    m_client = client;
}

void SharedDialog::disconnectClient()
{
    disconnectValueSignals();
}
