#pragma once
// Placeholder of the log window, carried until the file list branch replaces it: one row per
// log record the document hands out.
#include <QTreeView>

#include "app/CvemoraDoc.h"
#include "app/DocumentView.h"
#include "ui/CommandTarget.h"

class QStandardItemModel;

namespace tarnel::ui {

class CLeftView : public QTreeView, public DocumentView, public CommandTarget {
public:
    CLeftView(CvemoraDoc& doc, QWidget* parent = nullptr);

    void OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) override;
    bool OnCommand(int id) override;
    std::optional<bool> OnUpdateCommand(int id) const override;

private:
    CvemoraDoc& doc_;
    QStandardItemModel* model_;
};

}  // namespace tarnel::ui
