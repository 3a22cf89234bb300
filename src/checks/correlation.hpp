// Running sums of pairs (x, y), enough for their correlation at the end.
#pragma once

#include <cmath>

namespace rumo {

struct CorrelationSums {
  double n = 0, x = 0, y = 0, xx = 0, yy = 0, xy = 0;

  void add(double a, double b) {
    n += 1;
    x += a;
    y += b;
    xx += a * a;
    yy += b * b;
    xy += a * b;
  }
  // NaN where either does not vary.
  double correlation() const {
    const double vx = n * xx - x * x;
    const double vy = n * yy - y * y;
    if (!(vx > 0.0) || !(vy > 0.0)) return std::nan("");
    return (n * xy - x * y) / std::sqrt(vx * vy);
  }
};

}  // namespace rumo
