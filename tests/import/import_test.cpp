// The importer's readers (stamps, the station tables and where values land)
// and whole imports on files in memory.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "core/error.hpp"
#include "core/files.hpp"
#include "import/archive.hpp"
#include "import/import_codes.hpp"
#include "import/importer.hpp"
#include "import/stamps.hpp"
#include "import/station_list.hpp"
#include "import/text_table.hpp"
#include "import/value_file.hpp"

namespace rumo {
namespace {

// Days since 1970-01-01.
long day_number(int year, int month, int day) {
  return Date{.year = year, .month = month, .day = day}.days().time_since_epoch().count();
}

TEST(Stamps, EveryWrittenFormReadsToTheSameMinute) {
  const long day = day_number(2023, 6, 3);
  struct Case {
    const char* text;
    long day;
    int minute;
    bool has_time;
    std::optional<int> offset;
  };
  for (const Case& c :
       {Case{"2023060305", day, 300, true, {}}, Case{"202306030530", day, 330, true, {}},
        Case{"20230603", day, 0, false, {}}, Case{"2023-06-03", day, 0, false, {}},
        Case{"2023-06-03 05:00", day, 300, true, {}},
        Case{"2023-06-03T05:00:00Z", day, 300, true, 0},
        Case{"2023-06-03T05:00+01:00", day, 300, true, 60},
        Case{"2023-06-03T24:00", day, 1440, true, {}}, Case{"2023060324", day, 1440, true, {}},
        Case{"03.06.2023 05:00", day, 300, true, {}}, Case{"03.06.2023", day, 0, false, {}},
        Case{"29.02.2024", day_number(2024, 2, 29), 0, false, {}}}) {
    const auto stamp = parse_stamp(c.text);
    ASSERT_TRUE(stamp) << c.text;
    EXPECT_EQ(stamp->day, c.day) << c.text;
    EXPECT_EQ(stamp->minute, c.minute) << c.text;
    EXPECT_EQ(stamp->has_time, c.has_time) << c.text;
    EXPECT_EQ(stamp->offset.has_value(), c.offset.has_value()) << c.text;
    if (c.offset) {
      EXPECT_EQ(stamp->offset->minutes, *c.offset) << c.text;
    }
  }
  for (const char* bad : {"", "2023", "202306031", "2023-02-29", "29.02.2023", "2023-06-03 25:00",
                          "2023-06-03T24:30", "2023-06-03 5:00", "2023-06-03x05:00",
                          "2023-06-03T05:00+1", "2023-13-01", "2023/06/03", "1e10"}) {
    EXPECT_FALSE(parse_stamp(bad)) << bad;
  }
}

TEST(TextTable, FieldsIdsAndNumbers) {
  EXPECT_EQ(detect_delimiter("a;b,c;d"), ';');
  EXPECT_EQ(detect_delimiter("a\tb\tc"), '\t');
  EXPECT_EQ(detect_delimiter("a,b"), ',');
  EXPECT_EQ(detect_delimiter("ab"), 0);
  std::vector<std::string_view> fields;
  split_fields("  44 ; \"a;b\" ;;eor", ';', fields);
  EXPECT_EQ(fields, (std::vector<std::string_view>{"44", "a;b", "", "eor"}));
  EXPECT_EQ(canonical_id(" 00044 "), "44");
  EXPECT_EQ(canonical_id("000"), "0");
  EXPECT_EQ(canonical_id("H0044"), "H0044");
  EXPECT_TRUE(id_before("9", "10"));
  EXPECT_TRUE(id_before("99999", "A1"));
  EXPECT_FALSE(id_before("B", "A"));
  EXPECT_EQ(read_decimal("1,5", ';'), 1.5);
  EXPECT_FALSE(read_decimal("1,5", ','));
  EXPECT_EQ(read_decimal("+2e-1", ','), 0.2);
  for (const char* bad : {"", "nan", "inf", "1.5x", "-", "1..2"})
    EXPECT_FALSE(read_decimal(bad, ';'));
  EXPECT_EQ(ascii_text("Gro\xDF"
                       "enkneten M\xFChl"),
            "Grossenkneten Muehl");
  EXPECT_EQ(ascii_text("Gro\xC3\x9F"
                       "enkneten \xC3\x96hringen"),
            "Grossenkneten Oehringen");
  EXPECT_EQ(ascii_text("Ch\xC3\xA2teau"), "Ch_teau");
}

TEST(Archive, TextZipAndBinaryAreToldApart) {
  using namespace std::string_view_literals;
  EXPECT_EQ(content_of("STATIONS_ID;MESS_DATUM\r\n\t\f\x1A\xC3\xBC\xFC"), Content::text);
  EXPECT_EQ(content_of("PK\x03\x04\x14\0\0"sv), Content::zip);
  EXPECT_EQ(content_of("PK\x05\x06\0\0"sv), Content::zip);
  EXPECT_EQ(content_of("\x1F\x8B\x08"), Content::binary);
  EXPECT_EQ(content_of("id;time\n1;2\0"sv), Content::binary);
  // Only the first 8000 bytes are judged.
  EXPECT_EQ(content_of(std::string(8000, 'a') + '\0'), Content::text);
}

int failure_code(const std::function<void()>& action) {
  try {
    action();
  } catch (const RunError& error) {
    EXPECT_TRUE(error.message.starts_with("rumo import: ")) << error.message;
    EXPECT_EQ(std::count(error.message.begin(), error.message.end(), '\n'), 1) << error.message;
    return error.code;
  }
  return 0;
}

TEST(StationList, TheServicesListAndDelimitedTables) {
  const StationList service = read_station_list(
      "Stations_id von_datum bis_datum Stationshoehe geoBreite geoLaenge Stationsname "
      "Bundesland Abgabe\r\n"
      "----------- --------- --------- ------------- --------- --------- ------ ---------- "
      "------\r\n"
      "00044 20070401 20240611       44     52.9336    8.2370 Gro\xDF"
      "enkneten     "
      "Niedersachsen  Frei\r\n"
      "   73 20070401 20240611      340     48.6159   13.0506 Aldersbach-Kriestorf (Nord) Bayern "
      "Frei\r\n",
      "list.txt");
  ASSERT_EQ(service.stations.size(), 2u);
  EXPECT_FALSE(service.planar);
  EXPECT_EQ(service.find("0044"), 0);
  EXPECT_EQ(service.stations[0].name, "Grossenkneten");
  EXPECT_EQ(service.stations[1].name, "Aldersbach-Kriestorf (Nord)");
  EXPECT_EQ(service.stations[1].height, 340.0);
  EXPECT_EQ(service.stations[1].second, 13.0506);
  EXPECT_EQ(service.stations[1].line, 4);

  const StationList planar =
      read_station_list("Name;Easting;Northing;ID\nA;3500000,5;5600000;7\n", "t.csv");
  EXPECT_TRUE(planar.planar);
  EXPECT_EQ(planar.stations[0].first, 3500000.5);
  EXPECT_EQ(planar.stations[0].id, "7");

  for (const char* bad : {"id,lat\n1,50\n", "id,lat,lon\n1,50,x\n", "id,lat,lon\n1,50\n",
                          "id,lat,lon\n1,50,9\n01,51,9\n", "id,x,y\n", ""}) {
    EXPECT_EQ(failure_code([&] { read_station_list(bad, "t.csv"); }),
              exit_code::import_bad_stations)
        << bad;
  }
}

struct Landed {
  int station;
  long day;
  int slot;
  bool present;
  double value;
};

class Collect : public ValueSink {
 public:
  void take(int station, Landing at, bool present, double value, std::string_view, long,
            std::string_view) override {
    rows.push_back({station, at.day, at.slot, present, value});
  }
  std::vector<Landed> rows;
};

const StationList& two_stations() {
  static const StationList list = read_station_list("id,x,y\n44,0,0\nK1,0,0\n", "s.csv");
  return list;
}

TEST(ValueFile, StampsLandOnTheProgramsHoursHalvesAndDays) {
  const long d = day_number(2023, 6, 3);
  struct Case {
    Kind kind;
    const char* stamp;
    bool label_end;
    bool date_start;
    int zone;    // --time-zone in minutes
    int offset;  // --utc-offset in minutes
    long day;
    int slot;  // -1: refused as not placeable
  };
  const Case cases[] = {
      {Kind::hourly, "2023060301", true, true, 0, 0, d, 0},
      {Kind::hourly, "2023060400", true, true, 0, 0, d, 23},
      {Kind::hourly, "2023-06-03 00:00", false, true, 0, 0, d, 0},
      {Kind::hourly, "2023-06-03T02:00+01:00", true, true, 0, 0, d, 0},
      {Kind::hourly, "2023060302", true, true, 60, 0, d, 0},
      {Kind::hourly, "2023060301", true, true, 0, 60, d, 1},
      {Kind::hourly, "202306030130", true, true, 0, 0, 0, -1},
      {Kind::hourly, "2023060301", true, true, 30, 0, 0, -1},
      {Kind::hourly, "20230603", true, true, 0, 0, 0, -1},
      {Kind::climate, "2023-06-03 18:00", true, true, 0, 0, d, 0},
      {Kind::climate, "2023-06-04 07:00", true, true, 60, 0, d, 1},
      {Kind::climate, "2023-06-03 06:00", false, true, 0, 0, d, 0},
      {Kind::climate, "2023-06-03 05:00", false, true, 0, 0, 0, -1},
      {Kind::climate, "2023-06-03", true, true, 0, 0, 0, -1},
      {Kind::collector, "20230603", true, true, 0, 0, d, 0},
      {Kind::collector, "20230603", true, false, 0, 0, d - 1, 0},
      {Kind::collector, "20230603", true, true, 60, 60, d, 0},
      {Kind::collector, "20230603", true, false, -180, -180, d - 1, 0},
      {Kind::collector, "20230603", true, true, 0, 60, 0, -1},
      {Kind::collector, "20230603", true, false, 60, 0, 0, -1},
      {Kind::collector, "2023-06-04T06:00", true, true, 0, 0, d, 0},
      {Kind::collector, "2023-06-03T05:00", false, true, 0, 60, d, 0},
      {Kind::collector, "2023-06-03T18:00", true, true, 0, 0, 0, -1},
  };
  for (const Case& c : cases) {
    ValueRules rules;
    rules.kind = c.kind;
    rules.label_end = c.label_end;
    rules.date_label_start = c.date_start;
    rules.time_zone = {c.zone};
    rules.utc_offset = {c.offset};
    Collect sink;
    ValueParser parser(rules, two_stations(), "v.csv", sink);
    const std::string text = std::string("id;time;value\n44;") + c.stamp + ";1,5\n";
    const int code = failure_code([&] {
      parser.feed(text);
      parser.finish();
    });
    if (c.slot < 0) {
      EXPECT_EQ(code, exit_code::import_not_placeable) << c.stamp;
      continue;
    }
    ASSERT_EQ(code, 0) << c.stamp;
    ASSERT_EQ(sink.rows.size(), 1u) << c.stamp;
    EXPECT_EQ(sink.rows[0].day, c.day) << c.stamp;
    EXPECT_EQ(sink.rows[0].slot, c.slot) << c.stamp;
    EXPECT_EQ(sink.rows[0].value, 1.5) << c.stamp;
  }
}

TEST(ValueFile, RowsThatCannotBeReadStopWithTheirCode) {
  struct Case {
    const char* text;
    int code;
  };
  for (const Case& c :
       {Case{"id,time,value\n44,2023060301,-1\n", exit_code::import_bad_line},
        Case{"id,time,value\n44,2023060301,x\n", exit_code::import_bad_line},
        Case{"id,time,value\n44,2023060301\n", exit_code::import_bad_line},
        Case{"id,when,value\n44,2023060301,1\n", exit_code::import_bad_line},
        Case{"id time value\n", exit_code::import_bad_line}, Case{"", exit_code::import_bad_line},
        Case{"id,time,value\n45,2023060301,1\n", exit_code::import_unknown_station},
        Case{"id,time,value\n44,2023-06-03 01:00:30,1\n", exit_code::import_not_placeable},
        Case{"id,time,value\n44,2023060301,-999\n44,2023060302,\n", 0}}) {
    Collect sink;
    ValueParser parser(ValueRules{}, two_stations(), "v.csv", sink);
    EXPECT_EQ(failure_code([&] {
                parser.feed(c.text);
                parser.finish();
              }),
              c.code)
        << c.text;
  }
}

TEST(ValueFile, AFileCutIntoAnyBlocksReadsAsAWhole) {
  std::string text = "\xEF\xBB\xBFSTATIONS_ID;MESS_DATUM;QN_8;R1;RS_IND;WRTR;eor\r\n";
  for (int hour = 1; hour <= 24; ++hour) {
    text += "   44;20230603" + std::string(hour < 10 ? "0" : "") + std::to_string(hour) +
            ";    3;   " + std::to_string(hour % 7) + ".5;   1;-999;eor\r\n";
  }
  text += "K1;2023060301;3;-999;0;0;eor";  // no line end at the end
  Collect whole;
  ValueParser reference(ValueRules{}, two_stations(), "v.csv", whole);
  reference.feed(text);
  reference.finish();
  ASSERT_EQ(whole.rows.size(), 25u);
  EXPECT_FALSE(whole.rows.back().present);
  std::mt19937 random(7);
  for (int trial = 0; trial < 50; ++trial) {
    Collect pieces;
    ValueParser parser(ValueRules{}, two_stations(), "v.csv", pieces);
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 40)(random);
      parser.feed(std::string_view(text).substr(at, size));
      at += size;
    }
    parser.finish();
    ASSERT_EQ(pieces.rows.size(), whole.rows.size());
    for (std::size_t i = 0; i < whole.rows.size(); ++i) {
      EXPECT_EQ(pieces.rows[i].day, whole.rows[i].day);
      EXPECT_EQ(pieces.rows[i].slot, whole.rows[i].slot);
      EXPECT_EQ(pieces.rows[i].value, whole.rows[i].value);
    }
  }
}

TEST(SeriesStore, KeepsValuesAcrossBlocksAndTellsARepeatedValueFromADifferentOne) {
  SeriesStore store(Kind::hourly, 2);
  const long days[] = {19000, 18900, 19100, -5, 19031};
  using Put = SeriesStore::Put;
  for (const long day : days) EXPECT_EQ(store.put(1, {day, 23}, true, day * 0.5), Put::stored);
  EXPECT_EQ(store.put(1, {18999, 3}, false, 0.0), Put::stored);
  EXPECT_EQ(store.put(1, {19031, 23}, true, 1.0), Put::different);
  EXPECT_EQ(store.put(1, {19031, 23}, true, 19031 * 0.5), Put::same);
  EXPECT_EQ(store.put(1, {18999, 3}, true, 1.0), Put::different);
  EXPECT_EQ(store.put(1, {18999, 3}, false, 0.0), Put::same);
  EXPECT_EQ(store.put(1, {18999, 5}, true, 0.0), Put::stored);
  EXPECT_EQ(store.put(1, {18999, 5}, false, 0.0), Put::different);
  for (const long day : days) EXPECT_EQ(store.day(1, day)[23], day * 0.5);
  EXPECT_TRUE(std::isnan(store.day(1, 18999)[3]) && std::isnan(store.day(1, 18999)[4]));
  EXPECT_EQ(store.day(1, 30000), nullptr);
  EXPECT_FALSE(store.has(0));
  EXPECT_EQ(store.day(0, 19000), nullptr);
}

// Every file is written, or none: the second file failing leaves the first
// behind neither under its name nor as a part.
TEST(Importer, WritesEveryFileOrNone) {
  MemoryFiles files;
  files.inputs = {{"s.csv", "id,x,y\n44,0,0\nK1,1,1\n"},
                  {"h.csv", "id,time,value\n44,2023060301,0.3\n"},
                  {"k.csv", "id,time,value\nK1,2023-06-03 18:00,2\n"}};
  ImportRequest request;
  request.stations = {"s.csv"};
  request.files = {{{"h.csv"}, {"k.csv"}, {}}};
  request.out_dir = "out";
  std::ostringstream out, err;
  import_stations(files, request, out, err);
  EXPECT_EQ(files.outputs.size(), 2u);
  EXPECT_EQ(files.outputs.count("out/climate.txt"), 1u);
  files.outputs.clear();
  files.failing_outputs["out/climate.txt.part"] = true;
  EXPECT_EQ(failure_code([&] { import_stations(files, request, out, err); }),
            exit_code::import_not_written);
  EXPECT_TRUE(files.outputs.empty());
}

}  // namespace
}  // namespace rumo
