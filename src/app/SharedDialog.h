#ifndef APP_SHAREDDIALOG_H
#define APP_SHAREDDIALOG_H

#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QDialog;

// One of the application's shared value dialogs (font or colour): it floats
// beside the windows for the whole run and hands every value the user picks
// to one client at a time, the last one connected.
class SharedDialog : public QObject
{
    Q_OBJECT

public:
    // `changedSignal` and `selectedSignal` are the dialog's value signals in
    // SIGNAL() form. The dialog is owned.
    SharedDialog(QDialog *dialog, const char *changedSignal, const char *selectedSignal, QObject *parent = nullptr);
    ~SharedDialog() override;

    QDialog *dialog() const { return m_dialog; }
    QObject *client() const { return m_client; }
    bool isVisible() const;

    // Opens the dialog when hidden and raises it; `keepActive`, when set, is
    // activated again so the keyboard stays with the document.
    void show(QWidget *keepActive);
    // Makes `client`'s `member` (SLOT() form) the only receiver of values.
    void connectClient(QObject *client, const char *member);

public slots:
    void disconnectClient();

private:
    void disconnectValueSignals();

    QDialog *m_dialog;
    const char *m_changedSignal;
    const char *m_selectedSignal;
    QPointer<QObject> m_client;
    // Only the current client's end may cut the dialog off: a former
    // client going away later must not take the current one's values.
    QMetaObject::Connection m_clientDestroyed;
};

#endif
