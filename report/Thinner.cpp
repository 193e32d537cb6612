// Thinning a series to a few points per pixel column.
#include "report/Thinner.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tallyvolt::report {

void Thinner::Add(double x, double y)
{
    const int column = Column(x);
    if (m_piece.count > 0 && column != m_piece.column)
        FlushPiece();
    const Point p{x, y, m_next++};
    Piece& piece = m_piece;
    if (piece.count++ == 0) {
        piece.column = column;
        piece.first = piece.low = piece.high = p;
    }
    if (y < piece.low.y)
        piece.low = p;
    if (y > piece.high.y)
        piece.high = p;
    piece.last = p;
}

void Thinner::Break()
{
    FlushPiece();
    if (m_line.x.empty())
        return;
    if (m_lineSpansColumns) {
        m_out.push_back(std::move(m_line));
    } else {
        Stroke& s = m_strokes[static_cast<std::size_t>(m_lineColumn)];
        const auto [low, high] = std::minmax_element(m_line.y.begin(), m_line.y.end());
        if (s.empty) {
            s = Stroke{false, m_line.x.front(), *low, *high};
        } else {
            s.low = std::min(s.low, *low);
            s.high = std::max(s.high, *high);
        }
    }
    m_line = Polyline{};
    m_lineSpansColumns = false;
}

std::vector<Polyline> Thinner::Finish()
{
    Break();
    const double dash = 3 / m_scale; // half a dash, in x units
    for (const Stroke& s : m_strokes) {
        if (s.empty)
            continue;
        if (s.high > s.low)
            m_out.push_back(Polyline{{s.x, s.x}, {s.low, s.high}});
        else
            m_out.push_back(Polyline{{s.x - dash, s.x + dash}, {s.low, s.low}});
    }
    return std::move(m_out);
}

void Thinner::FlushPiece()
{
    Piece& piece = m_piece;
    if (piece.count == 0)
        return;
    if (m_line.x.empty())
        m_lineColumn = piece.column;
    else if (piece.column != m_lineColumn)
        m_lineSpansColumns = true;
    std::array<Point, 4> points{piece.first, piece.low, piece.high, piece.last};
    std::sort(points.begin() + 1, points.begin() + 3,
              [](const Point& a, const Point& b) { return a.order < b.order; });
    std::size_t previous = points[0].order + 1; // no point has this order yet
    for (const Point& p : points) {
        if (p.order == previous)
            continue;
        previous = p.order;
        m_line.x.push_back(p.x);
        m_line.y.push_back(p.y);
    }
    piece = Piece{};
}

int Thinner::Column(double x) const
{
    const double c = std::floor((x - m_x0) * m_scale);
    return static_cast<int>(std::clamp(c, 0.0, static_cast<double>(m_columns - 1)));
}

} // namespace tallyvolt::report
