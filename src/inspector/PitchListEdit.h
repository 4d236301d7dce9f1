#ifndef INSPECTOR_PITCHLISTEDIT_H
#define INSPECTOR_PITCHLISTEDIT_H

#include "inspector/CommonMidiInputListEdit.h"

// A comma-separated list of pitches: note names from C-2 to G8 ("C3",
// "F#-1") or offsets from -127 to +127 ("+12"). Names are upper case, so
// typed letters are upper-cased.
class PitchListEdit : public CommonMidiInputListEdit
{
    Q_OBJECT

public:
    explicit PitchListEdit(QWidget *parent = nullptr);

    int inputKind() const override { return PitchInput; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

#endif
