#ifndef APP_ABOUTBOXFORM_H
#define APP_ABOUTBOXFORM_H

class QLabel;
class QWidget;

// The widgets of the about box, which the splash screen shows while the
// program starts.
class AboutBoxForm
{
public:
    void setupUi(QWidget *form);
    void retranslateUi(QWidget *form);

    QLabel *backgroundLabel = nullptr;
    QLabel *launchInfoLabel = nullptr;
    QLabel *versionTitleLabel = nullptr;
    QLabel *versionInfoLabel = nullptr;
    QLabel *label_2 = nullptr;
    QLabel *label_3 = nullptr;
    QLabel *label_7 = nullptr;
};

#endif
