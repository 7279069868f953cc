#include "page_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <vector>

namespace corvid::reportengine {
namespace {

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont Font(double points, bool bold) {
    QFont font("DejaVu Sans");
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

class PageWriter {
public:
    PageWriter(QPagedPaintDevice& device, const std::string& name)
        : device_(device), name_(Q(name)), mm_(device.logicalDpiY() / 25.4), body_(Font(9, false)),
          bold_(Font(9, true)), bodyMetrics_(body_, &device), boldMetrics_(bold_, &device) {}

    bool Begin() {
        if (!painter_.begin(&device_))
            return false;
        width_ = device_.width();
        QFontMetricsF footer(Font(7.5, false), &device_);
        footerHeight_ = footer.height() + 3 * mm_;
        bottom_ = device_.height() - footerHeight_;
        return true;
    }

    void End() {
        Footer();
        painter_.end();
    }

    void Title(const std::string& text) {
        QFont font = Font(14, true);
        QFontMetricsF metrics(font, &device_);
        QRectF box =
            metrics.boundingRect(QRectF(0, 0, width_, 1e6), Qt::AlignHCenter | Qt::TextWordWrap, Q(text));
        Ensure(box.height());
        painter_.setFont(font);
        painter_.drawText(QRectF(0, y_, width_, box.height()), Qt::AlignHCenter | Qt::TextWordWrap, Q(text));
        y_ += box.height() + 4 * mm_;
    }

    void Fields(const ReportBlock& block) {
        double labelWidth = 0;
        for (const auto& field : block.fields)
            labelWidth = std::max(labelWidth, boldMetrics_.horizontalAdvance(Q(field.first + ":")));
        labelWidth = std::min(labelWidth + 3 * mm_, width_ * 0.4);
        const double valueWidth = width_ - labelWidth;
        for (const auto& [label, value] : block.fields) {
            QString text = Q(value);
            QRectF box = bodyMetrics_.boundingRect(QRectF(0, 0, valueWidth, 1e6), Qt::TextWordWrap, text);
            double height = std::max(bodyMetrics_.height(), box.height());
            Ensure(height);
            painter_.setFont(bold_);
            painter_.drawText(QPointF(0, y_ + boldMetrics_.ascent()), Q(label + ":"));
            painter_.setFont(body_);
            painter_.drawText(QRectF(labelWidth, y_, valueWidth, height), Qt::TextWordWrap, text);
            y_ += height + 0.5 * mm_;
        }
        y_ += 3 * mm_;
    }

    void Paragraph(const std::string& text, bool notice) {
        const QFont& font = notice ? bold_ : body_;
        const QFontMetricsF& metrics = notice ? boldMetrics_ : bodyMetrics_;
        QRectF box = metrics.boundingRect(QRectF(0, 0, width_, 1e6), Qt::TextWordWrap, Q(text));
        Ensure(box.height());
        painter_.setFont(font);
        painter_.drawText(QRectF(0, y_, width_, box.height()), Qt::TextWordWrap, Q(text));
        y_ += box.height() + 3 * mm_;
    }

    void Table(const ReportBlock& block) {
        QFont captionFont = Font(11, true);
        QFontMetricsF caption(captionFont, &device_);
        const double rowHeight = bodyMetrics_.height() + 1.6 * mm_;
        // The caption stays with the heading row and the first row.
        Ensure(caption.height() + 1.5 * mm_ + 2 * rowHeight);
        painter_.setFont(captionFont);
        painter_.drawText(QPointF(0, y_ + caption.ascent()), Q(block.text));
        y_ += caption.height() + 1.5 * mm_;
        std::vector<double> widths = ColumnWidths(block);
        Heading(block, widths, rowHeight);
        painter_.setFont(body_);
        for (const auto& row : block.rows) {
            if (y_ + rowHeight > bottom_) {
                NewPage();
                Heading(block, widths, rowHeight);
                painter_.setFont(body_);
            }
            double x = 0;
            for (size_t i = 0; i < row.size() && i < widths.size(); ++i) {
                QString text = Q(row[i]);
                double room = widths[i] - 2 * Pad();
                if (Advance(row[i]) > room)
                    text = bodyMetrics_.elidedText(text, Qt::ElideRight, room);
                painter_.drawText(QPointF(x + Pad(), y_ + 0.8 * mm_ + bodyMetrics_.ascent()), text);
                x += widths[i];
            }
            y_ += rowHeight;
            painter_.setPen(QPen(QColor(190, 190, 190), 0));
            painter_.drawLine(QPointF(0, y_), QPointF(width_, y_));
            painter_.setPen(Qt::black);
        }
        y_ += 5 * mm_;
    }

private:
    double Pad() const { return 1.2 * mm_; }

    double Advance(const std::string& text) {
        auto known = advances_.find(text);
        if (known != advances_.end())
            return known->second;
        return advances_.emplace(text, bodyMetrics_.horizontalAdvance(Q(text))).first->second;
    }

    // Each column as wide as its widest text; spare width shared out, too little taken
    // from the columns in proportion.
    std::vector<double> ColumnWidths(const ReportBlock& block) {
        std::vector<double> widths;
        for (const std::string& heading : block.headings)
            widths.push_back(boldMetrics_.horizontalAdvance(Q(heading)) + 2 * Pad());
        for (const auto& row : block.rows)
            for (size_t i = 0; i < row.size() && i < widths.size(); ++i)
                widths[i] = std::max(widths[i], Advance(row[i]) + 2 * Pad());
        double total = std::accumulate(widths.begin(), widths.end(), 0.0);
        if (widths.empty() || total <= 0)
            return widths;
        if (total < width_) {
            double extra = (width_ - total) / static_cast<double>(widths.size());
            for (double& w : widths)
                w += extra;
        } else {
            for (double& w : widths)
                w *= width_ / total;
        }
        return widths;
    }

    void Heading(const ReportBlock& block, const std::vector<double>& widths, double rowHeight) {
        painter_.fillRect(QRectF(0, y_, width_, rowHeight), QColor(225, 225, 225));
        painter_.setFont(bold_);
        double x = 0;
        for (size_t i = 0; i < block.headings.size(); ++i) {
            QString text =
                boldMetrics_.elidedText(Q(block.headings[i]), Qt::ElideRight, widths[i] - 2 * Pad());
            painter_.drawText(QPointF(x + Pad(), y_ + 0.8 * mm_ + boldMetrics_.ascent()), text);
            x += widths[i];
        }
        y_ += rowHeight;
        painter_.drawLine(QPointF(0, y_), QPointF(width_, y_));
    }

    // Starts a new page when height does not fit on this one (unless it is empty).
    void Ensure(double height) {
        if (y_ > 0 && y_ + height > bottom_)
            NewPage();
    }

    void NewPage() {
        Footer();
        device_.newPage();
        ++page_;
        y_ = 0;
    }

    void Footer() {
        QFont font = Font(7.5, false);
        QFontMetricsF metrics(font, &device_);
        painter_.setFont(font);
        double base = device_.height() - metrics.descent();
        painter_.drawLine(QPointF(0, base - metrics.height() - mm_),
                          QPointF(width_, base - metrics.height() - mm_));
        QString page = QString("Page %1").arg(page_);
        painter_.drawText(QPointF(0, base), metrics.elidedText(name_, Qt::ElideMiddle, width_ * 0.75));
        painter_.drawText(QPointF(width_ - metrics.horizontalAdvance(page), base), page);
    }

    QPagedPaintDevice& device_;
    QString name_;
    double mm_;
    QFont body_, bold_;
    QFontMetricsF bodyMetrics_, boldMetrics_;
    QPainter painter_;
    double width_ = 0, bottom_ = 0, footerHeight_ = 0, y_ = 0;
    int page_ = 1;
    std::unordered_map<std::string, double> advances_;
};

} // namespace

bool PaintReport(const ReportDocument& document, const std::string& name, QPagedPaintDevice& device) {
    // The footers name the report by its file, not its whole path.
    PageWriter writer(device, name.substr(name.rfind('/') + 1));
    if (!writer.Begin())
        return false;
    writer.Title(document.title);
    for (const ReportBlock& block : document.blocks) {
        switch (block.kind) {
        case ReportBlock::Kind::Fields:
            writer.Fields(block);
            break;
        case ReportBlock::Kind::Paragraph:
            writer.Paragraph(block.text, false);
            break;
        case ReportBlock::Kind::Notice:
            writer.Paragraph(block.text, true);
            break;
        case ReportBlock::Kind::Table:
            writer.Table(block);
            break;
        }
    }
    writer.End();
    return true;
}

} // namespace corvid::reportengine
