#include "inspector/VelocityListEdit.h"

VelocityListEdit::VelocityListEdit(QWidget *parent) : CommonMidiInputListEdit(parent)
{
    m_listMode = true;
    setPattern(QStringLiteral("|(([+-]?(([0-9]{1,2})|(1[01][0-9])|(12[0-7])))(,([+-]?(([0-9]{1,2})|(1[01][0-9])|(12[0-7]))))*)"));
}
