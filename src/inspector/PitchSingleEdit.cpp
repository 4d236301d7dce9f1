#include "inspector/PitchSingleEdit.h"

PitchSingleEdit::PitchSingleEdit(QWidget *parent) : PitchListEdit(parent)
{
    m_listMode = false;
    setPattern(QStringLiteral("(((([ACDFG]#?)|[EB])((-[12])|[0-8]))|([+-](([0-9]{1,2})|(1[01][0-9])|(12[0-7]))))"));
}
