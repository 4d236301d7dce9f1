#ifndef APP_PREFERENCESDIALOG_H
#define APP_PREFERENCESDIALOG_H

#include "ui_PreferencesDialogForm.h"

#include <QDialog>
#include <QPointer>

class QwpComboBox;
class SettingsController;
class UpdateChecker;

// Edits the application settings. Every control is bound to its key, so a
// change takes effect at once; there is no OK or Apply.
class PreferencesDialog : public QDialog, public Ui::PreferencesDialogForm
{
    Q_OBJECT
    // The stored "TemplateFile", kept in step by the settings binding, so
    // the template box follows the store without waiting on it.
    Q_PROPERTY(QString storedTemplateFile READ storedTemplateFile WRITE setStoredTemplateFile)

public:
    // Item data of the template box's fixed entries.
    enum TemplateEntry { NoTemplateEntry = 101, CustomTemplateEntry = 102, ChooseTemplateEntry = 103 };

    explicit PreferencesDialog(SettingsController *controller, QWidget *parent = nullptr);

    // "Check Now" asks `checker`; disabled when there is none or it has no
    // server to ask.
    void setUpdateChecker(UpdateChecker *checker);

    QString storedTemplateFile() const { return m_storedTemplateFile; }
    void setStoredTemplateFile(const QString &path);

    // Fills `combo` with `names`, keeping the selected port when it is still
    // listed. Writes no setting.
    static void refillPortComboBox(QwpComboBox *combo, const QStringList &names);

public slots:
    void on_templateFileComboBox_activated(int index);
    void onTemplateFileChosen(const QString &path);
    void refreshTemplateFileComboBox();
    void rescanInputPorts();
    void rescanThruPorts();

private:
    void showTemplateFile(const QString &path);

    QPointer<SettingsController> m_settingsController;
    QPointer<UpdateChecker> m_updateChecker;
    QString m_storedTemplateFile;
};

#endif
