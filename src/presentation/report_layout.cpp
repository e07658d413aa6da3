#include "presentation/report_layout.h"

#include <algorithm>
#include <type_traits>

namespace qv {
namespace {

constexpr int kMargin = 48;     // half an inch
constexpr int kFooterGap = 12;  // between the body and the footer line

// "en_US.UTF-8@euro" -> "US"; empty when the name has no territory.
std::string_view Territory(std::string_view locale) {
    const size_t underscore = locale.find('_');
    if (underscore == std::string_view::npos)
        return {};
    std::string_view rest = locale.substr(underscore + 1);
    const size_t end = rest.find_first_of(".@");
    return end == std::string_view::npos ? rest : rest.substr(0, end);
}

ScenePoint Moved(ScenePoint p, int dx, int dy) {
    return {p.x + dx, p.y + dy};
}

}  // namespace

Paper PaperForLocale(std::string_view lcAll, std::string_view lcPaper, std::string_view lang) {
    const std::string_view chosen = !lcAll.empty() ? lcAll : !lcPaper.empty() ? lcPaper : lang;
    const std::string_view territory = Territory(chosen);
    return territory == "US" || territory == "CA" ? Paper::kLetter : Paper::kA4;
}

PageFrame PageFrameFor(Paper paper, int lineHeight) {
    PageFrame frame;
    if (paper == Paper::kLetter) {
        frame.width = 816;  // 8.5 x 11 in
        frame.height = 1056;
    } else {
        frame.width = 793;  // 210 x 297 mm, rounded down so the body stays on the sheet
        frame.height = 1122;
    }
    frame.left = kMargin;
    frame.top = kMargin;
    frame.right = frame.width - kMargin;
    frame.footerTop = frame.height - kMargin - lineHeight;
    frame.bottom = frame.footerTop - kFooterGap;
    return frame;
}

std::vector<ReportPage> LayoutReport(const PageFrame& frame,
                                     const std::vector<ReportBlockRequest>& blocks, int titleHeight,
                                     int gap) {
    std::vector<ReportPage> pages(1);
    int y = frame.top;
    const int bodyWidth = frame.right - frame.left;
    const int bodyHeight = frame.bottom - frame.top;
    const auto newPage = [&] {
        pages.emplace_back();
        y = frame.top;
    };
    const auto place = [&](const ReportBlockRequest& request, int height) {
        PlacedBlock block;
        block.kind = request.kind;
        block.left = frame.left;
        block.right = frame.right;
        block.top = y;
        block.contentTop = y + titleHeight;
        block.bottom = y + titleHeight + height;
        pages.back().blocks.push_back(block);
        y = block.bottom + gap;
        return &pages.back().blocks.back();
    };
    for (const ReportBlockRequest& request : blocks) {
        if (!request.table) {
            int height = request.height > 0 ? request.height : bodyWidth;
            height = std::min(height, bodyHeight - titleHeight);
            if (y + titleHeight + height > frame.bottom && y > frame.top)
                newPage();
            place(request, height);
            continue;
        }
        const int rowHeight = std::max(1, request.rowHeight);
        const int bodyRows = std::max(0, request.rows - 1);
        // A table that fits a page of its own is not broken: it starts on
        // the next page rather than leaving a row or two behind.
        const int whole = titleHeight + rowHeight * (bodyRows + 1);
        if (y + whole > frame.bottom && whole <= bodyHeight && y > frame.top)
            newPage();
        int next = 0;
        do {
            // The title, the header row and at least one body row, or the
            // whole of an empty table, must fit on the page.
            const int least = titleHeight + rowHeight * (bodyRows > 0 ? 2 : 1);
            if (y + least > frame.bottom && y > frame.top)
                newPage();
            const int roomRows = (frame.bottom - y - titleHeight) / rowHeight - 1;
            const int take = std::clamp(bodyRows - next, 0, std::max(1, roomRows));
            PlacedBlock* block = place(request, rowHeight * (take + 1));
            block->firstRow = next;
            block->endRow = next + take;
            block->continued = next > 0;
            next += take;
            if (next < bodyRows)
                newPage();
        } while (next < bodyRows);
    }
    return pages;
}

void PlaceScene(Scene& page, const Scene& view, int dx, int dy) {
    if (view.background != page.background)
        page.Add(SceneRect{dx, dy, dx + view.width, dy + view.height, view.background});
    for (const SceneItem& item : view.items) {
        std::visit(
            [&](const auto& original) {
                auto moved = original;
                using T = std::decay_t<decltype(moved)>;
                if constexpr (std::is_same_v<T, SceneLine>) {
                    moved.from = Moved(moved.from, dx, dy);
                    moved.to = Moved(moved.to, dx, dy);
                } else if constexpr (std::is_same_v<T, ScenePolyline> ||
                                     std::is_same_v<T, ScenePolygon>) {
                    for (ScenePoint& p : moved.points)
                        p = Moved(p, dx, dy);
                } else if constexpr (std::is_same_v<T, SceneText>) {
                    moved.at = Moved(moved.at, dx, dy);
                    if (moved.clip) {
                        moved.clip->left += dx;
                        moved.clip->right += dx;
                        moved.clip->top += dy;
                        moved.clip->bottom += dy;
                    }
                } else {
                    moved.left += dx;
                    moved.right += dx;
                    moved.top += dy;
                    moved.bottom += dy;
                }
                page.Add(std::move(moved));
            },
            item);
    }
}

std::vector<std::string> WrapText(const std::string& text, const TextMetrics& metrics, int fontSize,
                                  int width) {
    std::vector<std::string> lines;
    std::string line;
    size_t from = 0;
    while (from <= text.size()) {
        size_t space = text.find(' ', from);
        if (space == std::string::npos)
            space = text.size();
        const std::string word = text.substr(from, space - from);
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && metrics.Width(longer, fontSize) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
        from = space + 1;
    }
    if (!line.empty() || lines.empty())
        lines.push_back(line);
    return lines;
}

std::string PageNumberText(int page, int pages) {
    return "Page " + std::to_string(page) + " of " + std::to_string(pages);
}

}  // namespace qv
