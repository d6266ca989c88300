#include "mqtt/Payloads.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "mqtt/Json.h"

namespace orlix::mqtt {
namespace {

const char* ToleranceText(ToleranceState state) {
  switch (state) {
    case ToleranceState::kWithin:
      return "within";
    case ToleranceState::kAbove:
      return "above";
    case ToleranceState::kBelow:
      return "below";
    case ToleranceState::kUnknown:
      break;
  }
  return "unknown";
}

std::string Array(const std::array<double, 4>& values) {
  std::string text = "[";
  for (std::size_t i = 0; i < values.size(); ++i) text += (i ? "," : "") + JsonNumber(values[i]);
  return text + "]";
}

std::optional<double> Scaled(const std::optional<double>& v, double factor) {
  if (!v) return std::nullopt;
  return *v * factor;
}

// The difference of two singles shows their binary rest ("30.400002" for 150.5 - 120.1);
// the nanometre, the plant link's unit, is finer than any gauge reads.
double Nanometres(double um) { return std::round(um * 1000.0) / 1000.0; }

}  // namespace

std::string IsoTime(std::int64_t msSinceEpoch, int offsetSeconds) {
  using namespace std::chrono;
  const auto local = sys_time<milliseconds>(milliseconds(msSinceEpoch)) + seconds(offsetSeconds);
  const auto day = floor<days>(local);
  const year_month_day date(day);
  const hh_mm_ss time(local - day);
  const int offsetMinutes = std::abs(offsetSeconds) / 60;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03d%c%02d:%02d",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
                static_cast<int>(time.subseconds().count()), offsetSeconds < 0 ? '-' : '+',
                offsetMinutes / 60, offsetMinutes % 60);
  return text;
}

std::string LivePayload(const StationSnapshot& s, std::uint64_t sequence, const std::string& time) {
  // The same rules as the plant link's registers: the measured values only while a valid
  // measurement of a running pass exists, the correction only while control is on.
  const bool valid = s.Valid();
  auto measured = [valid](float v) { return valid ? std::optional<float>(v) : std::nullopt; };
  const bool limits = s.HasLimits();
  return JsonObject()
      .Int("sequence", static_cast<std::int64_t>(sequence))
      .Text("time", time)
      .Single("thickness_um", measured(s.thickness))
      .Single("setpoint_um", s.setPoint)
      .Real("deviation_um",
            valid ? std::optional<double>(Nanometres(double(s.thickness) - s.setPoint))
                  : std::nullopt)
      .Real("correction_permille", valid && s.controlOn ? s.correction : std::nullopt)
      .Int("pass", s.pass)
      .Real("gain_percent", s.gain)
      .Flag("control_on", s.controlOn)
      .Flag("running", s.passRunning)
      .Flag("valid", valid)
      .Flag("file_failing", s.fileFailing)
      .Text("tolerance", ToleranceText(s.Tolerance()))
      .Single("lower_limit_um", limits ? s.lowerLimit : std::nullopt)
      .Single("upper_limit_um", limits ? s.upperLimit : std::nullopt)
      .Single("length_m", measured(s.stripLength))
      .Single("roll_weight_kg", measured(s.rollWeight))
      .Single("roll_diameter_mm", measured(s.rollDiameter))
      .Raw("alarm", s.alarm.raised
                        ? JsonObject()
                              .Text("side", s.alarm.side == AlarmSide::kThick ? "thick" : "thin")
                              .Flag("active", s.alarm.active)
                              .Flag("acknowledged", s.alarm.acknowledged)
                              .Close()
                        : std::string("null"))
      .Close();
}

std::string PassId(const PassSummary& summary) {
  char pass[8];
  std::snprintf(pass, sizeof pass, "%02d", static_cast<int>(summary.info.pass));
  return summary.station + "/" + pass + "/" + summary.info.start;
}

std::string PassPayload(const PassSummary& summary) {
  const PassInfo& info = summary.info;
  const std::optional<ToleranceLimits> limits = LimitsOf(info);
  auto name = [](const std::string& file) {
    return file.empty() ? std::string("null") : JsonString(file);
  };
  const std::string files = JsonObject()
                                .Raw("pass", name(summary.passFile))
                                .Raw("info", name(summary.infoFile))
                                .Raw("report_pdf", name(summary.reportPdf))
                                .Raw("report_csv", name(summary.reportCsv))
                                .Close();
  std::string statistics = "null";
  if (summary.statistics) {
    const PassStatistics& s = *summary.statistics;
    // The figures of the information file's [statistics], under the same names.
    const bool lines = s.count > 0;
    statistics = JsonObject()
                     .Int("data_lines", static_cast<std::int64_t>(s.count))
                     .Real("length_m", s.length)
                     .Real("mean_um", s.mean)
                     .Real("sigma_um", s.sigma)
                     .Real("minimum_um", s.minimum)
                     .Real("maximum_um", s.maximum)
                     .Real("in_tolerance_percent", Scaled(s.inTolerance, 100))
                     .Real("pp", s.pp)
                     .Real("ppk", s.ppk)
                     .Real("head_m", lines ? std::optional<double>(s.headLength) : std::nullopt)
                     .Real("tail_m", lines ? std::optional<double>(s.tailLength) : std::nullopt)
                     .Close();
  }
  JsonObject payload;
  payload.Text("id", PassId(summary))
      .Text("station", summary.station)
      .Int("pass", info.pass)
      .Text("start", summary.start)
      .Raw("end", summary.end.empty() ? "null" : JsonString(summary.end))
      .Text("end_reason", info.notStopped ? "not stopped" : "stop")
      .Real("setpoint_um", info.setPoint)
      .Real("scale_um", info.scale);
  if (limits) {
    payload.Real("tolerance_plus_um", info.tolerancePlus)
        .Real("tolerance_minus_um", info.toleranceMinus)
        .Real("lower_limit_um", limits->lower)
        .Real("upper_limit_um", limits->upper)
        .Null("limits_problem");
  } else {
    payload.Null("tolerance_plus_um")
        .Null("tolerance_minus_um")
        .Null("lower_limit_um")
        .Null("upper_limit_um")
        .Text("limits_problem", info.limitsProblem);
  }
  return payload.Real("mode", info.mode)
      .Raw("coefficients", Array(info.coefficients))
      .Raw("statistics", statistics)
      .Raw("files", files)
      .Text("version", info.version)
      .Close();
}

std::string CalibrationPayload(const std::array<double, 4>& coefficients,
                               const std::optional<std::string>& fitted) {
  return JsonObject()
      .Raw("coefficients", Array(coefficients))
      .Raw("fitted", fitted ? JsonString(*fitted) : "null")
      .Close();
}

}  // namespace orlix::mqtt
