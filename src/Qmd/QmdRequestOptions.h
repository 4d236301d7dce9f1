#ifndef QMD_QMDREQUESTOPTIONS_H
#define QMD_QMDREQUESTOPTIONS_H

#include "Qmd/Qmd.h"

#include <QString>

// What a request slot is told besides its arguments.
struct QmdRequestOptions
{
    int flags = 0;        // a Qmd::RequestFlags value
    QString text;         // the undo text shown for the request's step
    QmdRequestId id = 0;  // 0: allocate a new id; otherwise run under this id,
                          // so that several requests form one undo step
};

Q_DECLARE_METATYPE(QmdRequestOptions)

#endif
