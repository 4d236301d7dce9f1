#ifndef TESTS_APP_APPTESTSUPPORT_H
#define TESTS_APP_APPTESTSUPPORT_H

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

// Answers every message box that opens, modal or not, with `button`, and
// keeps the texts it saw. It polls, so boxes opened inside nested event
// loops (exec) are found too.
class MessageBoxAnswerer : public QObject
{
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton button = QMessageBox::Ok)
        : m_button(button)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { answer(); });
        m_timer.start(10);
    }

    void setButton(QMessageBox::StandardButton button) { m_button = button; }

    QStringList texts;

private:
    void answer()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible() || m_answered.contains(box))
                continue;
            m_answered << box;
            texts << box->text();
            if (QAbstractButton *button = box->button(m_button))
                button->click();
        }
    }

    QMessageBox::StandardButton m_button;
    QTimer m_timer;
    QList<QPointer<QMessageBox>> m_answered;
};

// Answers the next Save As dialog: cancels it when `path` is empty, else
// chooses `path`. Keeps the name the dialog proposed.
class SaveAsAnswerer : public QObject
{
public:
    explicit SaveAsAnswerer(const QString &path = QString())
        : m_path(path)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { answer(); });
        m_timer.start(10);
    }

    int dialogs = 0;
    QString proposed;

private:
    void answer()
    {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog == m_last)
            return;
        m_last = dialog;
        ++dialogs;
        proposed = dialog->selectedFiles().value(0);
        if (m_path.isEmpty()) {
            dialog->reject();
        } else {
            // The dialog takes the typed name from its line edit.
            if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                edit->setText(m_path);
            QMetaObject::invokeMethod(dialog, "accept");
        }
    }

    QString m_path;
    QTimer m_timer;
    QPointer<QFileDialog> m_last;
};

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

#endif
