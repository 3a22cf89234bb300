#include "output/cf_grid_mapping.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace rumo {
namespace {

// The published parameters of a few CRSs (the EPSG registry's), as CF names
// them; a projection CF has no name for gives none.
TEST(CfGridMapping, PublishedParametersUnderTheirCfNames) {
  using Values = std::vector<double>;
  const struct {
    const char* crs;
    const char* name;
    std::vector<std::pair<std::string, Values>> some;
  } cases[] = {
      {"EPSG:25832",
       "transverse_mercator",
       {{"longitude_of_central_meridian", {9}},
        {"scale_factor_at_central_meridian", {0.9996}},
        {"false_easting", {500000}},
        {"semi_major_axis", {6378137}}}},
      {"EPSG:3035",
       "lambert_azimuthal_equal_area",
       {{"latitude_of_projection_origin", {52}},
        {"longitude_of_projection_origin", {10}},
        {"false_easting", {4321000}},
        {"false_northing", {3210000}}}},
      {"EPSG:2154",
       "lambert_conformal_conic",
       {{"standard_parallel", {49, 44}},
        {"latitude_of_projection_origin", {46.5}},
        {"longitude_of_central_meridian", {3}},
        {"false_northing", {6600000}}}},
      {"EPSG:3413",
       "polar_stereographic",
       {{"standard_parallel", {70}},
        {"latitude_of_projection_origin", {90}},
        {"straight_vertical_longitude_from_pole", {-45}}}},
      {"EPSG:4326", "latitude_longitude", {{"inverse_flattening", {298.257223563}}}},
      {"EPSG:3857", "", {}},
      {"EPSG:3395",
       "mercator",
       {{"longitude_of_projection_origin", {0}}, {"scale_factor_at_projection_origin", {1}}}},
  };
  for (const auto& c : cases) {
    std::string reason;
    const auto projection = Projection::create(c.crs, reason);
    ASSERT_TRUE(projection) << c.crs << ": " << reason;
    const CfGridMapping mapping = cf_grid_mapping(*projection);
    EXPECT_EQ(mapping.name, c.name) << c.crs;
    for (const auto& [attribute, values] : c.some) {
      const auto found = std::find_if(mapping.parameters.begin(), mapping.parameters.end(),
                                      [&](const auto& p) { return p.first == attribute; });
      ASSERT_NE(found, mapping.parameters.end()) << c.crs << " " << attribute;
      EXPECT_EQ(found->second, values) << c.crs << " " << attribute;
    }
  }
}

}  // namespace
}  // namespace rumo
