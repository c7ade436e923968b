#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace orv {

struct TXYPair {
    double X = 0;
    double Y = 0;
};

// A calibration table or curve: pairs in the order they were read (files list
// X ascending), evaluated piecewise linearly and extrapolated linearly from
// the two end pairs.
class TArrayOfXYPair {
public:
    TArrayOfXYPair() = default;
    TArrayOfXYPair(std::initializer_list<TXYPair> pairs) : fPairs(pairs) {}

    size_t Length() const { return fPairs.size(); }
    bool Empty() const { return fPairs.empty(); }
    void SetLength(size_t n) { fPairs.resize(n); }
    void Clear() { fPairs.clear(); }
    void Add(double x, double y) { fPairs.push_back({x, y}); }
    TXYPair& operator[](size_t i) { return fPairs[i]; }
    const TXYPair& operator[](size_t i) const { return fPairs[i]; }
    auto begin() { return fPairs.begin(); }
    auto end() { return fPairs.end(); }
    auto begin() const { return fPairs.begin(); }
    auto end() const { return fPairs.end(); }

    // Y at x. An empty table gives 0, a table of one pair its only Y (the
    // level line through it), and an x that is not a number gives 0, so a
    // damaged input never reaches a gate as NaN.
    double Interpolate(double x) const;

    // The same pairs with X and Y exchanged.
    TArrayOfXYPair Exchanged() const;

    // The straight line through (x0, y0) and (x1, y1) at x; y0 when the two
    // X are equal or x = x0.
    static double LinearStep(double x, double x0, double y0, double x1, double y1);

private:
    std::vector<TXYPair> fPairs;
};

// Reads "x=y" lines (an INI section's name-value lines) into a table. A line
// whose key or value is missing leaves that part 0. A part that is present
// but not a number makes the line bad: it is skipped and counted in
// *badLines (when given).
TArrayOfXYPair ParseXYLines(const std::vector<std::string>& lines, int* badLines = nullptr);

} // namespace orv
