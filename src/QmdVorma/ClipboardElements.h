#ifndef QMDVORMA_CLIPBOARDELEMENTS_H
#define QMDVORMA_CLIPBOARDELEMENTS_H

#include "Qmd/QmdIndex.h"

#include <QByteArray>
#include <QString>

class QmdModel;

// Network elements on the system clipboard: a property list (written like a
// document, with the elements' own value forms) of one integer-keyed
// dictionary holding each copied element under its id, under the MIME type
// "text/vorma-elements".
//
// The clipboard exists only in a GUI application; without one nothing is
// ever available and nothing is put. For the thread of the user interface.
class ClipboardElements
{
public:
    static const QString &mimeType();

    // The text of the elements (entries of `Elements` in model).
    static QByteArray encode(QmdModel *model, const QmdIndexList &elements);

    // Whether the clipboard holds data of the elements' type.
    static bool available();
    // That data; empty when there is none.
    static QByteArray read();
    // Replaces whatever the clipboard held.
    static void put(const QByteArray &text);
};

#endif
