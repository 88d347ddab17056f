#pragma once
// The about box: the program icon, "Tarnel Audio Converter", "Product Version: " with this
// build's version, and a link to the product web page.
#include <QDialog>

namespace tarnel::ui {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace tarnel::ui
