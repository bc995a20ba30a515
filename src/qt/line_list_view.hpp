// A list view whose rows all have the height of one line of its font. Where a row lies follows
// from its number, so rows added at the end cost the same at ten lines as at a million: nothing
// is laid out, only the rows in sight are painted.
#pragma once

#include <QAbstractItemView>
#include <QPainterPath>

namespace orbek::qt {

class LineListView : public QAbstractItemView {
    Q_OBJECT
  public:
    explicit LineListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    int rowHeight() const { return rowHeight_; }

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = {}) override;

  private:
    void paintRows(QPainter& painter, const QRect& area);
    QPainterPath focusRing() const;
    int rows() const;
    int rowAt(int y) const; // viewport coordinate; may be past the last row
    QModelIndex indexOfRow(int row) const;

    int rowHeight_ = 16;
    int widest_ = 0; // the widest row painted so far, for the horizontal scroll bar
    qsizetype widestChars_ = 0;
};

} // namespace orbek::qt
