#pragma once
// Placeholder of the report list base class, carried until the file list branch replaces it:
// a plain QTableView with whole-row selection.
#include <QHeaderView>
#include <QTableView>

namespace tarnel::ui {

class CListViewEx : public QTableView {
public:
    explicit CListViewEx(QWidget* parent = nullptr) : QTableView(parent) {
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setShowGrid(false);
        verticalHeader()->hide();
        horizontalHeader()->setStretchLastSection(true);
    }
};

}  // namespace tarnel::ui
