#include "app/AboutBoxForm.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

namespace {

QLabel *makeLabel(QWidget *form, const char *name, const QRect &geometry)
{
    auto *label = new QLabel(form);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

void AboutBoxForm::setupUi(QWidget *form)
{
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("AboutBoxForm"));
    form->resize(600, 360);
    form->setMinimumSize(600, 360);
    form->setMaximumSize(600, 360);

    QPalette palette = form->palette();
    const QColor text(92, 97, 106);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::Base, Qt::white);
    }
    form->setPalette(palette);
    form->setStyleSheet(QStringLiteral("QWidget { color: rgb(92, 97, 106); font: 10px; }"));

    backgroundLabel = makeLabel(form, "backgroundLabel", QRect(0, 0, 600, 360));
    backgroundLabel->setFixedSize(600, 360);
    backgroundLabel->setPixmap(QPixmap(QStringLiteral(":/images/AboutVorma.png")));

    launchInfoLabel = makeLabel(form, "launchInfoLabel", QRect(35, 335, 271, 17));
    versionTitleLabel = makeLabel(form, "versionTitleLabel", QRect(314, 125, 270, 16));
    versionTitleLabel->setStyleSheet(QStringLiteral("QWidget { font-weight: bold; }"));
    versionInfoLabel = makeLabel(form, "versionInfoLabel", QRect(314, 140, 270, 16));

    label_2 = makeLabel(form, "label_2", QRect(314, 170, 101, 90));
    label_2->setStyleSheet(QStringLiteral("QWidget { font-weight: bold; }"));
    label_2->setWordWrap(true);
    label_3 = makeLabel(form, "label_3", QRect(419, 170, 181, 90));
    label_3->setWordWrap(true);
    label_7 = makeLabel(form, "label_7", QRect(314, 270, 270, 91));
    label_7->setStyleSheet(QStringLiteral("QWidget { color: rgb(150, 150, 150); font-size: 9px; }"));
    label_7->setWordWrap(true);

    retranslateUi(form);
}

void AboutBoxForm::retranslateUi(QWidget *form)
{
    form->setWindowTitle(QString());
    launchInfoLabel->setText(QStringLiteral("-"));
    versionTitleLabel->setText(QCoreApplication::translate("AboutBoxForm", "Version:"));
    versionInfoLabel->setText(QStringLiteral("-"));
    label_2->setText(QCoreApplication::translate("AboutBoxForm", "Original Concept:\nProject Team:\nEngineering:"));
    label_3->setText(QCoreApplication::translate("AboutBoxForm", "The Vorma project\nThe Vorma contributors\nThe Vorma contributors"));
    label_7->setText(QCoreApplication::translate(
        "AboutBoxForm",
        "Vorma uses Qt (LGPL 3), RtMidi (MIT licence), the ANTLR 3 C runtime "
        "(BSD licence), Boost (Boost Software License) and KDBusAddons (LGPL 2.1)."));
}
