#include "app/PreferencesDialog.h"

#include "app/ProductInfo.h"
#include "app/UpdateChecker.h"
#include "app/VormaApplication.h"

#include "Mvc/CSettingsChangeValueEvent.h"
#include "Mvc/SettingsController.h"
#include "Mvc/SettingsModel.h"
#include "QmdVorma/ApplicationSettingsKeys.h"
#include "widgets/ApplicationServices.h"
#include "widgets/QwpComboBox.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>

namespace {

// The thin rule beside each section heading.
void styleSectionLines(QWidget *dialog)
{
    const auto frames = dialog->findChildren<QFrame *>();
    for (QFrame *frame : frames) {
        if (frame->frameShape() != QFrame::HLine)
            continue;
        QPalette palette = frame->palette();
        palette.setColor(QPalette::Active, QPalette::WindowText, QColor(135, 135, 135));
        palette.setColor(QPalette::Inactive, QPalette::WindowText, QColor(135, 135, 135));
        palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(67, 69, 69));
        frame->setPalette(palette);
    }
}

} // namespace

PreferencesDialog::PreferencesDialog(SettingsController *controller, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint),
      m_settingsController(controller)
{
    setupUi(this);
    styleSectionLines(this);
    layout()->setContentsMargins(24, 24, 24, 24);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    templateFileComboBox->addItem(tr("None"), int(NoTemplateEntry));
    templateFileComboBox->insertSeparator(1);
    templateFileComboBox->addItem(tr("Choose..."), int(ChooseTemplateEntry));
    refreshTemplateFileComboBox();

    versionLabel->setText(tr("You are running Vorma version %1").arg(versionString()));
    VormaApplication *app = VormaApplication::instance();
    setUpdateChecker(app ? app->updateChecker() : nullptr);

    ApplicationServices *services = ApplicationServices::instance();
    connect(services, &ApplicationServices::midiInputPortsChanged, this, &PreferencesDialog::rescanInputPorts);
    connect(services, &ApplicationServices::midiOutputPortsChanged, this, &PreferencesDialog::rescanThruPorts);
    rescanInputPorts();
    rescanThruPorts();

    if (m_settingsController) {
        SettingsController *c = m_settingsController;
        c->bind(this, "storedTemplateFile", nullptr, templateFileKey());
        c->bind(autoCheckForUpdateCheckBox, "checked", SIGNAL(toggled(bool)), autoCheckForUpdateKey());
        c->bind(autoLsbCheckBox, "checked", SIGNAL(toggled(bool)), controllersAutoLsbKey());
        c->bind(smartResetCheckBox, "checked", SIGNAL(toggled(bool)), controllersSmartResetKey());
        c->bind(midiInputCheckBox, "checked", SIGNAL(toggled(bool)), midiInputEnabledKey());
        c->bind(inputPortsComboBox, "currentKey", SIGNAL(activated(int)), midiEntryPortKey());
        c->bind(toggleTimeoutSpinBox, "value", SIGNAL(valueChanged(int)), midiTriggeringMsecToggleTimeoutKey());
        c->bind(midiThruCheckBox, "checked", SIGNAL(toggled(bool)), midiThruEnabledKey());
        c->bind(thruPortsComboBox, "currentKey", SIGNAL(activated(int)), midiThruPortKey());
    }
}

void PreferencesDialog::setUpdateChecker(UpdateChecker *checker)
{
    if (m_updateChecker)
        checkForUpdateNowPushButton->disconnect(m_updateChecker);
    m_updateChecker = checker;
    checkForUpdateNowPushButton->setEnabled(checker && checker->isAvailable());
    if (checker)
        connect(checkForUpdateNowPushButton, &QPushButton::clicked, checker,
                QOverload<>::of(&UpdateChecker::checkForUpdate));
}

void PreferencesDialog::setStoredTemplateFile(const QString &path)
{
    m_storedTemplateFile = path;
    refreshTemplateFileComboBox();
}

void PreferencesDialog::refillPortComboBox(QwpComboBox *combo, const QStringList &names)
{
    const QString current = combo->currentText();
    // The box's own signals don't reach the settings binding, which
    // listens only to activations by the user.
    combo->clear();
    combo->addKeyedItems(names);
    combo->setCurrentKey(current);
}

void PreferencesDialog::rescanInputPorts()
{
    refillPortComboBox(inputPortsComboBox, ApplicationServices::midiInputPortNames());
}

void PreferencesDialog::rescanThruPorts()
{
    refillPortComboBox(thruPortsComboBox, ApplicationServices::midiOutputPortNames());
}

void PreferencesDialog::refreshTemplateFileComboBox()
{
    showTemplateFile(m_storedTemplateFile);
}

void PreferencesDialog::showTemplateFile(const QString &path)
{
    int custom = templateFileComboBox->findData(int(CustomTemplateEntry));
    // New windows fall back to the built-in template when the file is gone,
    // so the box says so; the stored path stays until the user chooses.
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        if (custom >= 0)
            templateFileComboBox->removeItem(custom);
        custom = -1;
    } else {
        const QFileInfo file(path);
        const QString text = file.fileName() + QString::fromUtf8(" \u2014 ") + file.dir().dirName();
        if (custom < 0) {
            templateFileComboBox->insertItem(1, text, int(CustomTemplateEntry));
            custom = 1;
        } else {
            templateFileComboBox->setItemText(custom, text);
        }
    }
    templateFileComboBox->setCurrentIndex(custom >= 0 ? custom : 0);
}

void PreferencesDialog::on_templateFileComboBox_activated(int index)
{
    switch (templateFileComboBox->itemData(index).toInt()) {
    case NoTemplateEntry:
        onTemplateFileChosen(QString());
        break;
    case ChooseTemplateEntry: {
        auto *dialog = new QFileDialog(this, tr("Open"), m_storedTemplateFile, QStringLiteral("*.vrm"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
        connect(dialog, &QDialog::rejected, this, &PreferencesDialog::refreshTemplateFileComboBox);
        dialog->open(this, SLOT(onTemplateFileChosen(QString)));
        break;
    }
    default:
        break;
    }
}

void PreferencesDialog::onTemplateFileChosen(const QString &path)
{
    if (m_settingsController) {
        CSettingsChangeValueEvent event(templateFileKey(), path);
        QCoreApplication::sendEvent(m_settingsController, &event);
    }
    // Shows the choice now; the binding brings the stored value once the
    // store has taken it.
    showTemplateFile(path);
}
