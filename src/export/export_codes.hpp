// The exit codes of `rumo export`. A run's --netcdf uses the codes of every
// added file instead (111 and 205), and the header codes of station files
// (101, 301 to 306) are the same for an export as for a run.
#pragma once

namespace rumo {

// An output file of the export (--netcdf, --csv) cannot be created, or it
// names the file being exported or the other output. Nothing is written.
inline constexpr int kExportNotCreated = 130;
// An output file of the export could not be written or closed (device full,
// a NetCDF library failure); what was written is incomplete.
inline constexpr int kExportNotWritten = 131;
// A record of the exported file cannot be read: a stamp or value that is no
// number, or a record with too few values.
inline constexpr int kExportBadRecord = 132;
// The records' stamps are not in time order, or an hour lies outside 1..24,
// or a date does not exist; a time axis needs strictly increasing hours.
inline constexpr int kExportStampsOutOfOrder = 133;
// The CRS (--crs, or the title line's) is one PROJ cannot use, or a station's
// coordinates cannot be turned into latitude and longitude with it; run and
// export alike stop with it before any data is read.
inline constexpr int kExportBadCrs = 134;

}  // namespace rumo
