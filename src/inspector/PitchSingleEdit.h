#ifndef INSPECTOR_PITCHSINGLEEDIT_H
#define INSPECTOR_PITCHSINGLEEDIT_H

#include "inspector/PitchListEdit.h"

// Exactly one pitch; a played note replaces it.
class PitchSingleEdit : public PitchListEdit
{
    Q_OBJECT

public:
    explicit PitchSingleEdit(QWidget *parent = nullptr);
};

#endif
