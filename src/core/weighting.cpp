#include "core/weighting.hpp"

namespace rumo {

IdwSettings IdwSettings::from(const RunParameters& params) {
  return IdwSettings{params.power,
                     params.max_distance,
                     params.nodata,
                     params.lower_limit,
                     params.lower_replacement,
                     params.upper_limit,
                     params.upper_replacement,
                     params.neighbours};
}

WeightForm weight_form(double power) {
  const double step = std::floor(power * 1000.0 + 0.5);
  if (step == 1000.0) return WeightForm::inverse_distance;
  if (step == 2000.0) return WeightForm::inverse_square;
  return WeightForm::general;
}

double weight(double squared_distance, WeightForm form, double power) {
  switch (form) {
    case WeightForm::inverse_distance:
      return 1.0 / std::sqrt(squared_distance);
    case WeightForm::inverse_square:
      return 1.0 / squared_distance;
    case WeightForm::general:
      break;
  }
  return 1.0 / std::exp(power * std::log(std::sqrt(squared_distance)));
}

}  // namespace rumo
