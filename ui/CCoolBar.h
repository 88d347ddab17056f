#pragma once
// The side bar "Current Export Configuration": the summary of the stored export format and its
// settings. Rebuilt when it is created and on WM_GENERAL_SETTINGS_CHANGED only, so changes
// written by other means show at the next rebuild.
#include <QGroupBox>

class QLabel;

namespace tarnel::ui {

inline constexpr char kSideBarTitle[] = "Current Export Configuration";

class CCoolBar : public QGroupBox {
    Q_OBJECT
public:
    explicit CCoolBar(QWidget* parent = nullptr);

    // Rebuilds the text from the settings and repaints.
    void RefreshSummary();
    QString SummaryText() const;

private:
    QLabel* summary_;  // control 1082
};

}  // namespace tarnel::ui
