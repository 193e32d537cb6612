// Thinning: a million samples must not become a million points in the chart's file.
#pragma once

#include <cstddef>
#include <vector>

namespace tallyvolt::report {

struct Polyline
{
    std::vector<double> x, y;
};

// Keeps, per pixel column and unbroken stretch, the first, lowest, highest and last point in
// the order they came, so the line drawn looks as the full one would. A stretch that starts and
// ends inside one column becomes part of that column's single vertical stroke (a short dash
// when flat), so even a series broken at every sample stays within a few points per column.
class Thinner
{
public:
    // `columns` pixel columns across x0 to x1.
    Thinner(double x0, double x1, int columns)
        : m_x0(x0), m_columns(columns), m_scale(columns / (x1 - x0)),
          m_strokes(static_cast<std::size_t>(columns))
    {
    }

    // The next point of the current stretch.
    void Add(double x, double y);
    // Ends the current stretch: the line breaks here.
    void Break();
    // The thinned lines, ready to draw.
    std::vector<Polyline> Finish();

private:
    struct Point
    {
        double x, y;
        std::size_t order;
    };
    struct Piece
    {
        std::size_t count = 0;
        int column = 0;
        Point first{}, low{}, high{}, last{};
    };
    struct Stroke
    {
        bool empty = true;
        double x = 0, low = 0, high = 0;
    };

    int Column(double x) const;

    void FlushPiece();

    double m_x0;
    int m_columns;
    double m_scale; // columns per x unit
    std::size_t m_next = 0;
    Piece m_piece;
    Polyline m_line;
    int m_lineColumn = 0;
    bool m_lineSpansColumns = false;
    std::vector<Stroke> m_strokes;
    std::vector<Polyline> m_out;
};

} // namespace tallyvolt::report
