#ifndef INSPECTOR_SECTIONLABEL_H
#define INSPECTOR_SECTIONLABEL_H

#include <QLabel>

// A heading of the inspector's forms. It is a class of its own so that the
// inspector's style sheet can select headings by class name.
class SectionLabel : public QLabel
{
    Q_OBJECT

public:
    explicit SectionLabel(QWidget *parent = nullptr);
};

#endif
