#include "inspector/SectionLabel.h"

SectionLabel::SectionLabel(QWidget *parent) : QLabel(parent)
{
}
