#ifndef QMDVORMA_ELEMENTTYPENAMES_H
#define QMDVORMA_ELEMENTTYPENAMES_H

#include <QString>

namespace QmdVorma {

// The translated display name of an element type number: "Invalid" (0),
// "Edge", "Node", "Text Box", "Voice Group" (4); empty for any other number.
QString elementTypeName(int type);

} // namespace QmdVorma

#endif
