#include "qt/line_list_view.hpp"

#include "qt/station_style.hpp"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <climits>

namespace orbek::qt {

namespace {
constexpr int kRowPadding = 4;
constexpr int kFocusWidth = 2;

int clampToInt(qint64 v) {
    return static_cast<int>(std::clamp<qint64>(v, INT_MIN, INT_MAX));
}
} // namespace

LineListView::LineListView(QWidget* parent) : QAbstractItemView(parent) {
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    rowHeight_ = fontMetrics().height() + kRowPadding;
}

int LineListView::rows() const {
    return model() ? model()->rowCount(rootIndex()) : 0;
}

QModelIndex LineListView::indexOfRow(int row) const {
    if (!model() || row < 0 || row >= rows()) return {};
    return model()->index(row, 0, rootIndex());
}

int LineListView::rowAt(int y) const {
    return clampToInt((static_cast<qint64>(y) + verticalOffset()) / rowHeight_);
}

QRect LineListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != rootIndex()) return {};
    const qint64 top = static_cast<qint64>(index.row()) * rowHeight_ - verticalOffset();
    return {-horizontalOffset(), clampToInt(top),
            std::max(widest_, viewport()->width()) + kRowPadding, rowHeight_};
}

QModelIndex LineListView::indexAt(const QPoint& point) const {
    if (point.y() < 0) return {};
    return indexOfRow(rowAt(point.y()));
}

void LineListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) return;
    const qint64 top = static_cast<qint64>(index.row()) * rowHeight_;
    const int height = viewport()->height();
    qint64 value = verticalScrollBar()->value();
    switch (hint) {
    case EnsureVisible:
        if (top < value)
            value = top;
        else if (top + rowHeight_ > value + height)
            value = top + rowHeight_ - height;
        break;
    case PositionAtTop:
        value = top;
        break;
    case PositionAtBottom:
        value = top + rowHeight_ - height;
        break;
    case PositionAtCenter:
        value = top - (height - rowHeight_) / 2;
        break;
    }
    verticalScrollBar()->setValue(clampToInt(value));
}

QModelIndex LineListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int count = rows();
    if (count == 0) return {};
    const int page = std::max(1, viewport()->height() / rowHeight_ - 1);
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? current.row() : -1;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        row = row < 0 ? count - 1 : row - 1;
        break;
    case MoveDown:
    case MoveNext:
        row += 1;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return indexOfRow(std::clamp(row, 0, count - 1));
}

int LineListView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int LineListView::verticalOffset() const {
    return verticalScrollBar()->value();
}

bool LineListView::isIndexHidden(const QModelIndex&) const {
    return false;
}

void LineListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
    const int count = rows();
    if (count == 0 || !selectionModel()) return;
    const QRect r = rect.normalized();
    const int first = std::clamp(rowAt(r.top()), 0, count - 1);
    const int last = std::clamp(rowAt(r.bottom()), 0, count - 1);
    selectionModel()->select(QItemSelection(indexOfRow(first), indexOfRow(last)), flags);
}

QRegion LineListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int firstShown = rowAt(0);
    const int lastShown = rowAt(viewport()->height());
    for (const QItemSelectionRange& range : selection) {
        const int top = std::max(range.top(), firstShown);
        const int bottom = std::min(range.bottom(), lastShown);
        if (top > bottom) continue;
        const QRect first = visualRect(indexOfRow(top));
        region += QRect(first.topLeft(), QSize(first.width(), (bottom - top + 1) * rowHeight_));
    }
    return region;
}

void LineListView::updateGeometries() {
    const int height = viewport()->height();
    QScrollBar* v = verticalScrollBar();
    v->setSingleStep(rowHeight_);
    v->setPageStep(std::max(rowHeight_, height - rowHeight_));
    v->setRange(0,
                clampToInt(std::max<qint64>(0, static_cast<qint64>(rows()) * rowHeight_ - height)));
    QScrollBar* h = horizontalScrollBar();
    h->setSingleStep(fontMetrics().averageCharWidth() * 4);
    h->setPageStep(viewport()->width());
    h->setRange(0, std::max(0, widest_ + kRowPadding - viewport()->width()));
    QAbstractItemView::updateGeometries();
}

void LineListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    paintRows(painter, event->rect());
    // The keyboard focus: a ring just inside the list's edge, whether or not a line is current.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange))
        painter.fillPath(focusRing(), focusColour(palette(), palette().color(QPalette::Base)));
}

void LineListView::paintRows(QPainter& painter, const QRect& area) {
    const int count = rows();
    if (count == 0) return;
    const int first = std::clamp(rowAt(area.top()), 0, count - 1);
    const int last = std::clamp(rowAt(area.bottom()), 0, count - 1);
    // Plain text rows: one line each, drawn directly (no per-row layout or eliding).
    const QPalette& p = palette();
    const QModelIndex current = currentIndex();
    QItemSelectionModel* selection = selectionModel();
    int widest = widest_;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = indexOfRow(row);
        const QRect r = visualRect(index);
        const QString text = index.data(Qt::DisplayRole).toString();
        const bool selected = selection && selection->isSelected(index);
        if (selected) painter.fillRect(r, p.brush(QPalette::Highlight));
        painter.setPen(p.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(r.adjusted(kRowPadding / 2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         text);
        if (index == current && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = r;
            focus.backgroundColor = p.color(selected ? QPalette::Highlight : QPalette::Base);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
        // Only a line longer than any seen so far is measured.
        if (text.size() > widestChars_) {
            widestChars_ = text.size();
            widest = std::max(widest, fontMetrics().horizontalAdvance(text) + kRowPadding);
        }
    }
    if (widest > widest_) {
        // The horizontal scroll bar grows after this paint, not within it.
        widest_ = widest;
        QMetaObject::invokeMethod(this, &LineListView::updateGeometries, Qt::QueuedConnection);
    }
}

QPainterPath LineListView::focusRing() const {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    const QRect edge = viewport()->rect();
    path.addRect(edge);
    path.addRect(edge.adjusted(kFocusWidth, kFocusWidth, -kFocusWidth, -kFocusWidth));
    return path;
}

void LineListView::focusInEvent(QFocusEvent* event) {
    QAbstractItemView::focusInEvent(event);
    viewport()->update();
}

void LineListView::focusOutEvent(QFocusEvent* event) {
    QAbstractItemView::focusOutEvent(event);
    viewport()->update();
}

void LineListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        rowHeight_ = fontMetrics().height() + kRowPadding;
        widest_ = 0;
        widestChars_ = 0;
        updateGeometries();
    }
    QAbstractItemView::changeEvent(event);
}

void LineListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    // Rows added below the rows in sight need no painting.
    if (static_cast<qint64>(start) * rowHeight_ - verticalOffset() < viewport()->height())
        viewport()->update();
}

void LineListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                               const QList<int>& roles) {
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    viewport()->update();
}

} // namespace orbek::qt
