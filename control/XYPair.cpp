#include "control/XYPair.h"

#include "store/Format.h"

#include <cmath>

namespace orv {

double TArrayOfXYPair::LinearStep(double x, double x0, double y0, double x1, double y1)
{
    if (x1 == x0 || x == x0)
        return y0;
    // Each partial result is kept as a double, as the tables were made.
    const double slope = (y1 - y0) / (x1 - x0);
    const double dx = x - x0;
    const double rise = dx * slope;
    return y0 + rise;
}

double TArrayOfXYPair::Interpolate(double x) const
{
    if (fPairs.empty() || std::isnan(x))
        return 0;
    if (fPairs.size() == 1)
        return fPairs[0].Y;
    const size_t n = fPairs.size() - 1;
    if (x < fPairs[0].X)
        return LinearStep(x, fPairs[0].X, fPairs[0].Y, fPairs[1].X, fPairs[1].Y);
    if (x > fPairs[n].X)
        return LinearStep(x, fPairs[n - 1].X, fPairs[n - 1].Y, fPairs[n].X, fPairs[n].Y);
    for (size_t i = 1; i <= n; ++i) {
        if (x == fPairs[i].X)
            return fPairs[i].Y;
        if (x < fPairs[i].X)
            return LinearStep(x, fPairs[i - 1].X, fPairs[i - 1].Y, fPairs[i].X, fPairs[i].Y);
    }
    // Only a table whose X are out of order gets here.
    return fPairs[n].Y;
}

TArrayOfXYPair TArrayOfXYPair::Exchanged() const
{
    TArrayOfXYPair r;
    r.fPairs.reserve(fPairs.size());
    for (const auto& p : fPairs)
        r.fPairs.push_back({p.Y, p.X});
    return r;
}

TArrayOfXYPair ParseXYLines(const std::vector<std::string>& lines, int* badLines)
{
    TArrayOfXYPair table;
    int bad = 0;
    for (const auto& line : lines) {
        const size_t eq = line.find('=');
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = eq == std::string::npos ? std::string() : Trim(line.substr(eq + 1));
        double x = 0, y = 0;
        if ((!key.empty() && !TryStrToFloat(key, x)) || (!value.empty() && !TryStrToFloat(value, y))) {
            ++bad;
            continue;
        }
        table.Add(x, y);
    }
    if (badLines)
        *badLines = bad;
    return table;
}

} // namespace orv
