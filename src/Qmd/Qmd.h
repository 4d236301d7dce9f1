#ifndef QMD_QMD_H
#define QMD_QMD_H

#include <QFlags>
#include <QList>
#include <QMetaType>
#include <QSet>
#include <QtGlobal>

// Key of an entry of an integer-keyed dictionary. 0 is never a key; where an
// id is returned, 0 means there is none.
using QmdItemId = quint32;
using QmdItemIdList = QList<QmdItemId>;
using QmdItemIdSet = QSet<QmdItemId>;

// Number of one request. Every change signal carries the id of the request
// that caused it; 0 never names a request.
using QmdRequestId = quint32;

namespace Qmd {

// What a value of the document tree is.
enum ContainerType {
    NoContainer = 0, // a plain value
    IntDict = 1,     // a dictionary keyed by QmdItemId
    StrDict = 2      // a dictionary keyed by QString
};

enum RequestFlag {
    // Apply the request's changes without recording them for undo, without
    // clearing the redo history and without touching the clean marker.
    NoUndo = 1
};
Q_DECLARE_FLAGS(RequestFlags, RequestFlag)

} // namespace Qmd

Q_DECLARE_OPERATORS_FOR_FLAGS(Qmd::RequestFlags)
// Lists of types are built by the thousand in a load: stored in place, not
// one allocation per item.
Q_DECLARE_TYPEINFO(Qmd::ContainerType, Q_PRIMITIVE_TYPE);
Q_DECLARE_METATYPE(Qmd::ContainerType)
Q_DECLARE_METATYPE(Qmd::RequestFlags)

#endif
