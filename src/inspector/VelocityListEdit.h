#ifndef INSPECTOR_VELOCITYLISTEDIT_H
#define INSPECTOR_VELOCITYLISTEDIT_H

#include "inspector/CommonMidiInputListEdit.h"

// A comma-separated list of velocities from 0 to 127, each with an
// optional sign.
class VelocityListEdit : public CommonMidiInputListEdit
{
    Q_OBJECT

public:
    explicit VelocityListEdit(QWidget *parent = nullptr);

    int inputKind() const override { return VelocityInput; }
};

#endif
