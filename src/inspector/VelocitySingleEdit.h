#ifndef INSPECTOR_VELOCITYSINGLEEDIT_H
#define INSPECTOR_VELOCITYSINGLEEDIT_H

#include "inspector/VelocityListEdit.h"

// Exactly one velocity; a played note replaces it with its velocity.
class VelocitySingleEdit : public VelocityListEdit
{
    Q_OBJECT

public:
    explicit VelocitySingleEdit(QWidget *parent = nullptr);
};

#endif
