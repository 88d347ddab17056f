#pragma once
// The owner-drawn report list the file list is built on: alternating row colours, a selection
// highlight across the whole row, labels shortened with an ellipsis, and one progress bar per
// row keyed by the row's file entry. The bars are painted by the row delegate (no child
// widgets), so sorting and removing rows never move a bar to another file: a row finds its bar
// through its entry, not through its position.
//
// Colours: while visual styles are active (CThemeHelper) the rows take the palette's base and
// alternate-base colours and its text colour, so the list follows a light or dark theme;
// otherwise the fixed colour set below. GUI thread only.
#include <QColor>
#include <QTableView>

#include <map>

#include "app/AudioData.h"
#include "ui/controls/ProgressState.h"

namespace tarnel::ui {

class CListViewEx : public QTableView {
public:
    // The model's role that answers a row's entry as a `const AudioData*` (in a quintptr).
    static constexpr int kEntryRole = Qt::UserRole + 1;

    struct Colours {
        QColor text;
        QColor oddRow;
        QColor evenRow;
        QColor listBack;
    };
    // The plain colour set.
    static constexpr QRgb kPlainOddRow = qRgb(220, 150, 107);
    static constexpr QRgb kPlainEvenRow = qRgb(232, 184, 155);
    static constexpr QRgb kPlainListBack = qRgb(240, 211, 193);

    explicit CListViewEx(QWidget* parent = nullptr);

    const Colours& RowColours() const { return colours_; }
    // The row colour of a row that is not selected.
    QColor RowColour(int row) const { return row % 2 == 0 ? colours_.evenRow : colours_.oddRow; }
    // Recomputes the colour set (visual styles or palette changed) and repaints.
    void RecomputeColours();

    // A progress bar for the entry's row, at position 0 with no text.
    void AddRowProgress(const AudioDataPtr& entry);
    void RemoveRowProgress(const AudioDataPtr& entry);
    void RemoveAllRowProgress();
    // Sets the bar's position and, for a percent other than 0, its text "Converting: %d%%";
    // false (and nothing changed) when the entry has no bar.
    bool SetRowProgress(const AudioDataPtr& entry, int percent);
    // The entry's bar, or null.
    const ProgressState* RowProgress(const AudioData* entry) const;
    size_t RowProgressCount() const { return rowProgress_.size(); }

protected:
    // The row shown for an entry, -1 when it has none; used to repaint only that row.
    virtual int RowOfEntry(const AudioData* entry) const = 0;
    void RepaintRow(int row);

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void RepaintSelectedRows();

    Colours colours_;
    struct RowBar {
        AudioDataPtr entry;  // keeps the entry, and so the key's address, alive with the bar
        ProgressState state;
    };
    // Keyed by the entry's identity.
    std::map<const AudioData*, RowBar> rowProgress_;
};

}  // namespace tarnel::ui
