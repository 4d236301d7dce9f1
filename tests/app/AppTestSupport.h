#ifndef TESTS_APP_APPTESTSUPPORT_H
#define TESTS_APP_APPTESTSUPPORT_H

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
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

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

#endif
