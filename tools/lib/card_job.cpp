// The rendering core shared by tolma-print and the printer application.
#include "tools/lib/card_job.h"

#include "common/ribbon.h"
#include "platform/host/host.h"
#include "tools/lib/card_image.h"
#include "tools/lib/inspect.h"
#include "tools/lib/print_run.h"
#include "tools/lib/stream_reader.h"

#include <mutex>

namespace tolma::tools {
namespace {

// The host plays one engine and spooler per process (printer names, the local application-data folder):
// one job at a time.
std::mutex& RunLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

bool CardJobPortrait(const PrintOptions& options, const RgbImage* first) {
  return first ? PortraitFor(first->width, first->height, options.orientation)
               : options.orientation == Orientation::Portrait;
}

CardJobResult RenderCardJob(const CardJobSettings& settings, const std::vector<std::optional<CardPicture>>& pages,
                            host::DrvEnableDriverFn enable, host::DrvDisableDriverFn disable,
                            const std::function<void(const PrintJob&)>& jobReady) {
  CardJobResult result;
  auto progress = [&](std::string text) { result.messages.push_back({false, std::move(text)}); };
  auto note = [&](std::string text) { result.messages.push_back({true, std::move(text)}); };
  const PrintOptions& o = settings.options;

  const CardPicture* first = nullptr;
  for (const auto& page : pages) {
    if (page) {
      first = &*page;
      break;
    }
  }
  const bool portrait = CardJobPortrait(o, first ? &first->image : nullptr);
  result.devmode = BuildDevmode(o, settings.ribbon, settings.base, portrait);
  const PrivateDevmode pd = PrivatePart(result.devmode);
  const bool encodeOnly = pd.printingMode == 1;

  const JobCheck check = CheckJob(o, result.devmode, settings.ribbon, settings.model);
  if (!check.error.empty()) {
    result.error = check.error;
    return result;
  }
  for (const std::string& text : check.notes) note(text);

  // The texts that give the tracks to the driver.
  std::vector<std::u16string> trackTexts;
  for (int t = 0; t < 3; ++t) {
    if (!o.tracks[t]) continue;
    trackTexts.push_back(TrackMacroText(pd.encoder, t + 1, *o.tracks[t], result.error));
    if (trackTexts.back().empty()) return result;
  }

  // The sides: every page, and a blank back for the last card of a two-sided job. An encode-only job has
  // one side and prints nothing.
  const RibbonChoice& ribbon = settings.ribbon;
  PrintJob job;
  job.devmode = result.devmode;
  job.dataFile = settings.dataFile;
  if (ribbon.fixedEntry == 0) job.ribbonCache = RibbonCacheText(ribbon.printerCode, settings.model);
  const bool both = pd.printBothSides != 0 && !encodeOnly;
  size_t sides = encodeOnly ? 1 : std::max<size_t>(pages.size(), 1);
  if (both && sides % 2 != 0) ++sides;
  progress("ribbon: " + DescribeRibbon(ribbon) +
           (ribbon.fixedEntry == 0 ? ", model \"" + settings.model + "\"" : std::string()));
  for (size_t side = 0; side < sides; ++side) {
    PageDrawing page;
    const CardPicture* picture = side < pages.size() && pages[side] ? &*pages[side] : nullptr;
    const bool back = both && side % 2 == 1;
    std::string name = back ? "back" : "front";
    if (sides > 2 || (!both && sides > 1)) name += " of card " + std::to_string(both ? side / 2 + 1 : side + 1);
    if (encodeOnly) {
      if (picture) note("the " + name + " image is not printed: the job only encodes");
    } else if (picture) {
      Placement placement;
      std::string error;
      if (!PlanPlacement(picture->image.width, picture->image.height, portrait, o.size, placement, error)) {
        result.error = picture->name + ": " + error;
        return result;
      }
      const std::string how = DescribePlacement(picture->image.width, picture->image.height, placement, o.size);
      if (placement.pixelForPixel)
        progress(name + ": " + picture->name + ", " + how);
      else
        note(name + ": " + picture->name + " is " + how);
      page.picture = PlaceImage(picture->image, placement);
    } else {
      progress(name + ": blank");
    }
    if (side == 0) page.texts = trackTexts;
    job.pages.push_back(std::move(page));
  }
  result.cards = static_cast<int>(both ? sides / 2 : sides);
  const DEVMODEW* dm = reinterpret_cast<const DEVMODEW*>(result.devmode.data());
  const std::string how =
      encodeOnly ? "encode only"
      : both     ? "two-sided, mode " + std::to_string(pd.twoSidedMode) + " \"" +
                   std::string(PrintingModeList(ribbon.type, pd.monoRibbonKind, true)[pd.twoSidedMode]) + "\""
             : "one-sided";
  progress("job: " + how + ", " + std::to_string(dm->dmCopies) + (dm->dmCopies == 1 ? " copy" : " copies") +
           (portrait ? ", portrait page" : ", landscape page"));

  PrintRun run;
  {
    std::lock_guard<std::mutex> hold(RunLock());
    if (jobReady) jobReady(job);
    run = RunPrintJob(job, enable, disable);
    // A long-running program prints many jobs: the host forgets this run's printer, handles and spooled
    // bytes, or they would pile up.
    host::Reset();
  }
  if (!run.ok) {
    result.error = run.error;
    return result;
  }

  // Read the stream back: it must be well formed and carry every track given.
  const CommandStream stream = ReadCommandStream(run.stream);
  if (!stream.errors.empty()) {
    result.error = "the driver's stream is damaged at byte " + std::to_string(stream.errors[0].offset) + ": " +
                   stream.errors[0].message;
    return result;
  }
  const JobSummary summary = SummariseJob(stream);
  for (int t = 0; t < 3; ++t) {
    if (!o.tracks[t]) continue;
    bool found = false;
    for (const auto& tr : summary.tracks) found = found || (tr.track == t + 1 && tr.data == *o.tracks[t]);
    if (!found) {
      result.error = "track " + std::to_string(t + 1) + " did not reach the driver's magnetic block";
      return result;
    }
  }
  result.stream = std::move(run.stream);
  return result;
}

}  // namespace tolma::tools
