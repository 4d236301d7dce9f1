#ifndef INSPECTOR_QPLAINTEXTEDITPLUS_H
#define INSPECTOR_QPLAINTEXTEDITPLUS_H

#include <QPlainTextEdit>

// A plain-text editor whose text is written to the document once the user
// is done with it, as a line editor's is, rather than on every keystroke.
class QPlainTextEditPlus : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit QPlainTextEditPlus(QWidget *parent = nullptr);

signals:
    void editingFinished();

protected:
    void focusOutEvent(QFocusEvent *event) override;
};

#endif
