#include "inspector/VelocitySingleEdit.h"

VelocitySingleEdit::VelocitySingleEdit(QWidget *parent) : VelocityListEdit(parent)
{
    m_listMode = false;
    setPattern(QStringLiteral("([+-]?(([0-9]{1,2})|(1[01][0-9])|(12[0-7])))"));
}
