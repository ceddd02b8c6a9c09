// The driver callbacks: what the printer offers, and pages in, the card printer's command stream out.
#include "printer-app/card_driver.h"

#include "common/ribbon.h"
#include "printer-app/file_device.h"
#include "printer-app/log_pump.h"
#include "printer-app/raster_page.h"
#include "raster/ddi_functions.h"
#include "tools/lib/output_file.h"
#include "tools/lib/print_settings.h"
#include "tools/lib/stream_reader.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

namespace tolma::printerapp {
namespace {

constexpr size_t kMaxStreamFile = 64u << 20;  // a raw command stream job
constexpr size_t kWriteChunk = 64u << 10;

const AppContext& App(void* data) { return *static_cast<const AppContext*>(data); }

// The application's context, for the callbacks that get no data pointer.
const AppContext*& CurrentApp() {
  static const AppContext* app = nullptr;
  return app;
}

// Ends a job with a reason, a job-state-message and a line in the job's log.
bool FailJob(pappl_job_t* job, pappl_jreason_t reason, const std::string& message) {
  papplJobSetReasons(job, reason, PAPPL_JREASON_NONE);
  papplJobSetMessage(job, "%s", message.c_str());
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", message.c_str());
  return false;
}

// An attribute's value as text, several values joined by commas (as the framework stores printer
// defaults); false for a syntax without a text form.
bool AttributeText(ipp_attribute_t* attr, std::string& out) {
  if (attr == nullptr || ippGetCount(attr) < 1) return false;
  out.clear();
  for (int i = 0; i < ippGetCount(attr); ++i) {
    if (i > 0) out += ',';
    switch (ippGetValueTag(attr)) {
      case IPP_TAG_KEYWORD:
      case IPP_TAG_TEXT:
      case IPP_TAG_NAME:
      case IPP_TAG_TEXTLANG:
      case IPP_TAG_NAMELANG: {
        const char* s = ippGetString(attr, i, nullptr);
        out += s ? s : "";
        break;
      }
      case IPP_TAG_INTEGER:
      case IPP_TAG_ENUM:
        out += std::to_string(ippGetInteger(attr, i));
        break;
      case IPP_TAG_BOOLEAN:
        out += ippGetBoolean(attr, i) ? "true" : "false";
        break;
      default:
        return false;
    }
  }
  return true;
}

std::string SidesKeyword(pappl_sides_t sides) {
  switch (sides) {
    case PAPPL_SIDES_TWO_SIDED_LONG_EDGE:
      return "two-sided-long-edge";
    case PAPPL_SIDES_TWO_SIDED_SHORT_EDGE:
      return "two-sided-short-edge";
    default:
      return "one-sided";
  }
}

std::string ScalingKeyword(pappl_scaling_t scaling) {
  switch (scaling) {
    case PAPPL_SCALING_AUTO_FIT:
      return "auto-fit";
    case PAPPL_SCALING_FILL:
      return "fill";
    case PAPPL_SCALING_FIT:
      return "fit";
    case PAPPL_SCALING_NONE:
      return "none";
    default:
      return "auto";
  }
}

// Writes a job's stream to the printer's device: one file of its own on a file device.
bool WriteStream(pappl_job_t* job, pappl_device_t* device, const std::vector<uint8_t>& stream) {
  pappl_printer_t* printer = papplJobGetPrinter(job);
  BeginDeviceJob(printer, device, papplJobGetID(job));
  bool ok = true;
  for (size_t at = 0; ok && at < stream.size(); at += kWriteChunk) {
    const size_t n = std::min(kWriteChunk, stream.size() - at);
    ok = papplDeviceWrite(device, stream.data() + at, n) == static_cast<ssize_t>(n);
  }
  if (ok) papplDeviceFlush(device);
  ok = EndDeviceJob(printer, device, ok) && ok;
  if (!ok) return FailJob(job, PAPPL_JREASON_ERRORS_DETECTED, "The command stream could not be written to the device.");
  return true;
}

// Prints the pages of a job through the rendering core with the job's and the printer's settings.
bool PrintCard(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
               std::vector<std::optional<tools::CardPicture>> pages, bool rasterDocument, const AppContext& app) {
  JobRequest request;
  {
    ipp_t* printerAttrs = papplPrinterGetDriverAttributes(papplJobGetPrinter(job));
    for (const VendorAttribute& a : app.vendor) {
      std::string text;
      if (AttributeText(ippFindAttribute(printerAttrs, (a.name + "-default").c_str(), IPP_TAG_ZERO), text))
        request.defaults[a.name] = text;
    }
    ippDelete(printerAttrs);
  }
  for (const VendorAttribute& a : app.vendor) {
    ipp_attribute_t* attr = papplJobGetAttribute(job, a.name.c_str());
    if (attr == nullptr) continue;
    std::string text;
    if (!AttributeText(attr, text))
      return FailJob(job, PAPPL_JREASON_ERRORS_DETECTED,
                     a.name + ": the job gave a value of a syntax the printer does not take.");
    request.job[a.name] = text;
  }
  for (int t = 0; t < 3; ++t) {
    ipp_attribute_t* attr = papplJobGetAttribute(job, kTrackAttributes[t]);
    if (attr == nullptr) continue;
    std::string text;
    const ipp_tag_t tag = ippGetValueTag(attr);
    if ((tag != IPP_TAG_TEXT && tag != IPP_TAG_NAME && tag != IPP_TAG_KEYWORD && tag != IPP_TAG_TEXTLANG) ||
        ippGetCount(attr) != 1 || !AttributeText(attr, text))
      return FailJob(job, PAPPL_JREASON_ERRORS_DETECTED,
                     std::string(kTrackAttributes[t]) + ": the job gave a value that is not one text.");
    request.tracks[t] = text;
  }
  request.copies = options->copies;
  request.sides = SidesKeyword(options->sides);
  request.orientation = static_cast<int>(options->orientation_requested);
  request.scaling = ScalingKeyword(options->print_scaling);
  request.rasterDocument = rasterDocument;

  const MappedJob mapped = MapJob(request, app.base);
  if (!mapped.error.empty()) return FailJob(job, PAPPL_JREASON_ERRORS_DETECTED, mapped.error);
  for (const std::string& note : mapped.notes) papplLogJob(job, PAPPL_LOGLEVEL_WARN, "%s", note.c_str());
  for (int t = 0; t < 3; ++t)
    if (request.tracks[t])
      papplLogJob(job, PAPPL_LOGLEVEL_INFO, "Magnetic %s.", DescribeTrack(t + 1, *request.tracks[t]).c_str());

  if (options->print_color_mode != PAPPL_COLOR_MODE_COLOR)
    for (auto& page : pages)
      if (page) MakeGrey(page->image);

  const tools::CardJobResult result = tools::RenderCardJob(SettingsFor(mapped, app.baseDevmode, app.dataFile), pages,
                                                           &DrvEnableDriver, &DrvDisableDriver);
  for (const tools::CardJobMessage& m : result.messages)
    papplLogJob(job, m.note ? PAPPL_LOGLEVEL_WARN : PAPPL_LOGLEVEL_INFO, "%s", m.text.c_str());
  if (!result.error.empty()) return FailJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, result.error);
  if (papplJobIsCanceled(job)) return true;
  if (!WriteStream(job, device, result.stream)) return false;
  const std::string sent = "Sent " + std::to_string(result.stream.size()) + " bytes, " + std::to_string(result.cards) +
                           (result.cards == 1 ? " card." : " cards.");
  papplLogJob(job, PAPPL_LOGLEVEL_INFO, "%s", sent.c_str());
  return true;
}

// A raster job between its start and its end.
struct RasterJob {
  std::vector<std::optional<tools::CardPicture>> pages;
  RasterPage page;
  bool failed = false;
};

// One raster job per printer at a time; the slot is reused by the next job, so a job the framework
// abandons between its callbacks leaves nothing behind for long.
std::mutex gRasterLock;
std::map<int, std::unique_ptr<RasterJob>> gRasterJobs;

RasterJob* RasterJobOf(pappl_job_t* job) { return static_cast<RasterJob*>(papplJobGetData(job)); }

bool RasterFail(pappl_job_t* job, pappl_jreason_t reason, const std::string& message) {
  if (RasterJob* r = RasterJobOf(job)) {
    r->failed = true;
    r->pages.clear();
  }
  return FailJob(job, reason, message);
}

bool StartRasterJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  auto state = std::make_unique<RasterJob>();
  papplJobSetData(job, state.get());
  std::lock_guard<std::mutex> hold(gRasterLock);
  gRasterJobs[papplPrinterGetID(papplJobGetPrinter(job))] = std::move(state);
  return true;
}

bool StartRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned page) {
  RasterJob* r = RasterJobOf(job);
  if (r == nullptr || r->failed) return false;
  if (r->pages.size() >= static_cast<size_t>(kMaxJobPages))
    return RasterFail(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
                      "The document has more than " + std::to_string(kMaxJobPages) + " pages (card sides).");
  const cups_page_header2_t& h = options->header;
  RasterFormat format;
  format.width = h.cupsWidth;
  format.height = h.cupsHeight;
  format.bytesPerLine = h.cupsBytesPerLine;
  if (h.cupsBitsPerPixel == 24 && (h.cupsColorSpace == CUPS_CSPACE_SRGB || h.cupsColorSpace == CUPS_CSPACE_RGB ||
                                   h.cupsColorSpace == CUPS_CSPACE_ADOBERGB)) {
    format.colour = RasterColour::Rgb;
  } else if (h.cupsBitsPerPixel == 8 && (h.cupsColorSpace == CUPS_CSPACE_SW || h.cupsColorSpace == CUPS_CSPACE_W)) {
    format.colour = RasterColour::Grey;
  } else if (h.cupsBitsPerPixel == 8 && h.cupsColorSpace == CUPS_CSPACE_K) {
    format.colour = RasterColour::Black;
  } else if (h.cupsBitsPerPixel == 32 && h.cupsColorSpace == CUPS_CSPACE_CMYK) {
    format.colour = RasterColour::Cmyk;
  } else {
    return RasterFail(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                      "Page " + std::to_string(page) + " has raster data the printer does not take (" +
                          std::to_string(h.cupsBitsPerPixel) + " bits a pixel, colour space " +
                          std::to_string(static_cast<int>(h.cupsColorSpace)) + "): send 8-bit sRGB or grey.");
  }
  std::string error;
  if (!r->page.Start(format, error))
    return RasterFail(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, "Page " + std::to_string(page) + ": " + error + ".");
  return true;
}

bool WriteRasterLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned y,
                     const unsigned char* line) {
  RasterJob* r = RasterJobOf(job);
  if (r == nullptr || r->failed || line == nullptr) return false;
  r->page.WriteLine(y, std::span<const uint8_t>(line, options->header.cupsBytesPerLine));
  return true;
}

bool EndRasterPage(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned page) {
  RasterJob* r = RasterJobOf(job);
  if (r == nullptr || r->failed) return false;
  if (!r->page.Complete())
    return RasterFail(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                      "Page " + std::to_string(page) + " ended after " + std::to_string(r->page.LinesSeen()) +
                          " of its " + std::to_string(r->page.Height()) + " lines: the raster data is truncated.");
  r->pages.push_back(tools::CardPicture{"page " + std::to_string(page), r->page.Take()});
  return true;
}

bool EndRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
  RasterJob* r = RasterJobOf(job);
  bool ok = false;
  if (r != nullptr && !r->failed && !papplJobIsCanceled(job)) {
    if (r->pages.empty()) {
      ok = FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, "The document has no pages.");
    } else {
      // The framework's image conversion draws one page per copy; the driver makes the copies itself.
      const char* format = papplJobGetFormat(job);
      if (format != nullptr && std::strcmp(format, "image/jpeg") == 0) r->pages.resize(1);
      ok = PrintCard(job, options, device, std::move(r->pages), std::strcmp(format ? format : "", "image/jpeg") != 0,
                     *CurrentApp());
    }
  } else if (r != nullptr && papplJobIsCanceled(job)) {
    ok = true;
  }
  papplJobSetData(job, nullptr);
  std::lock_guard<std::mutex> hold(gRasterLock);
  gRasterJobs.erase(papplPrinterGetID(papplJobGetPrinter(job)));
  return ok;
}

// PNG documents are read and laid out as tolma-print does it, so both give the same stream.
bool FilterPng(pappl_job_t* job, pappl_device_t* device, void* data) {
  const AppContext& app = App(data);
  const char* filename = papplJobGetFilename(job);
  // The size first: nothing is decoded before it is known to be within the limits.
  std::vector<uint8_t> head;
  std::string error;
  if (FILE* f = filename ? std::fopen(filename, "rb") : nullptr) {
    uint8_t buffer[64];
    head.assign(buffer, buffer + std::fread(buffer, 1, sizeof buffer, f));
    std::fclose(f);
  }
  int64_t width = 0, height = 0;
  if (!PngSize(head, width, height))
    return FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, "The document is not a PNG image.");
  if (!CheckPictureSize(width, height, error))
    return FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, "The PNG image is too large: " + error + ".");
  tools::CardPicture picture{"the PNG image", {}};
  if (!tools::ReadPng(filename, picture.image, error)) {
    // The spool file's name means nothing to the client.
    if (error.rfind(filename, 0) == 0) error = "the image" + error.substr(std::strlen(filename));
    return FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, "The PNG image cannot be read: " + error + ".");
  }

  papplJobSetImpressions(job, 1);
  pappl_pr_options_t* options = papplJobCreatePrintOptions(job, 1, true);
  if (options == nullptr) return FailJob(job, PAPPL_JREASON_ERRORS_DETECTED, "Out of memory.");
  std::vector<std::optional<tools::CardPicture>> pages;
  pages.push_back(std::move(picture));
  const bool ok = PrintCard(job, options, device, std::move(pages), false, app);
  papplJobDeletePrintOptions(options);
  if (ok) papplJobSetImpressionsCompleted(job, 1);
  return ok;
}

// Data the framework could not recognise as any document format.
bool FilterUnknown(pappl_job_t* job, pappl_device_t*, void*) {
  return FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                 "The document is not one the printer takes: PNG, JPEG, PWG raster, Apple raster or the printer's "
                 "command stream.");
}

// A command stream sent as it is: it goes out only when it reads back without a structural error.
bool PrintStream(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device) {
  std::vector<uint8_t> bytes;
  std::string error;
  const char* filename = papplJobGetFilename(job);
  if (filename == nullptr || !tools::ReadWholeFile(filename, kMaxStreamFile, bytes, error))
    return FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, "The command stream cannot be read: " + error + ".");
  const CommandStream stream = ReadCommandStream(bytes);
  if (!stream.errors.empty())
    return FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                   "The command stream is damaged at byte " + std::to_string(stream.errors[0].offset) + ": " +
                       stream.errors[0].message + ".");
  return WriteStream(job, device, bytes);
}

// The installed ribbon as the printer's supply, from the printer's setting (its level is not known until
// the printer's own status can be read).
bool UpdateStatus(pappl_printer_t* printer) {
  std::string keyword = "ymcko";
  ipp_t* attrs = papplPrinterGetDriverAttributes(printer);
  AttributeText(ippFindAttribute(attrs, (std::string(kRibbonAttribute) + "-default").c_str(), IPP_TAG_ZERO), keyword);
  ippDelete(attrs);
  const int type = RibbonTypeOfKeyword(keyword);
  pappl_supply_t ribbon{};
  ribbon.color = PAPPL_SUPPLY_COLOR_MULTIPLE;
  papplCopyString(ribbon.description, (std::string(type >= 0 ? RibbonTypeName(type) : "Unknown") + " ribbon").c_str(),
                  sizeof ribbon.description);
  ribbon.is_consumed = true;
  ribbon.level = -1;
  ribbon.type = PAPPL_SUPPLY_TYPE_INK_RIBBON;
  papplPrinterSetSupplies(printer, 1, &ribbon);
  return true;
}

bool SaveState(pappl_system_t* system, void* file) {
  return papplSystemSaveState(system, static_cast<const char*>(file));
}

const char* TestPage(pappl_printer_t*, char* buffer, size_t size) {
  const AppContext* app = CurrentApp();
  if (app == nullptr || app->testPage.empty()) return nullptr;
  papplCopyString(buffer, app->testPage.c_str(), size);
  return buffer;
}

}  // namespace

AppContext LoadAppContext(const std::string& folder) {
  AppContext app;
  app.base = DefaultPrivateDevmode();
  std::vector<uint8_t> bytes;
  std::string error;
  const std::filesystem::path dataFile = std::filesystem::path(folder) / "Doma.dat";
  if (tools::ReadWholeFile(dataFile.string(), 1 << 20, bytes, error) && tools::CheckDataFileImage(bytes, error)) {
    std::memcpy(&app.base, bytes.data(), sizeof app.base);
    app.dataFile = dataFile.string();
  }
  app.baseDevmode = tools::BaseDevmode(app.base);
  std::error_code ec;
  const std::filesystem::path sample = std::filesystem::path(folder) / "sample-card.png";
  if (std::filesystem::exists(sample, ec)) app.testPage = sample.string();
  app.vendor = VendorAttributes(app.base);
  return app;
}

bool DriverCallback(pappl_system_t*, const char* driverName, const char*, const char*, pappl_pr_driver_data_t* d,
                    ipp_t** driverAttrs, void* data) {
  if (driverName == nullptr || std::strcmp(driverName, kDriverName) != 0) return false;
  const AppContext& app = App(data);

  d->printfile_cb = PrintStream;
  d->rstartjob_cb = StartRasterJob;
  d->rstartpage_cb = StartRasterPage;
  d->rwriteline_cb = WriteRasterLine;
  d->rendpage_cb = EndRasterPage;
  d->rendjob_cb = EndRasterJob;
  d->testpage_cb = TestPage;
  d->status_cb = UpdateStatus;
  d->has_supplies = true;
  d->format = kStreamFormat;
  papplCopyString(d->make_and_model, kDriverDescription, sizeof d->make_and_model);
  d->ppm = 2;
  d->ppm_color = 2;
  d->kind = PAPPL_KIND_PHOTO;
  d->orient_default = IPP_ORIENT_NONE;
  d->color_supported = PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_COLOR | PAPPL_COLOR_MODE_MONOCHROME;
  d->color_default = PAPPL_COLOR_MODE_AUTO;
  d->content_default = PAPPL_CONTENT_AUTO;
  d->quality_default = IPP_QUALITY_NORMAL;
  d->scaling_default = PAPPL_SCALING_AUTO;
  d->raster_types = PAPPL_PWG_RASTER_TYPE_SRGB_8 | PAPPL_PWG_RASTER_TYPE_SGRAY_8;
  d->force_raster_type = PAPPL_PWG_RASTER_TYPE_NONE;
  d->duplex = PAPPL_DUPLEX_NORMAL;
  d->sides_supported = PAPPL_SIDES_ONE_SIDED | PAPPL_SIDES_TWO_SIDED_LONG_EDGE | PAPPL_SIDES_TWO_SIDED_SHORT_EDGE;
  d->sides_default = PAPPL_SIDES_ONE_SIDED;
  d->num_resolution = 1;
  d->x_resolution[0] = d->y_resolution[0] = 300;
  d->x_default = d->y_default = 300;
  d->borderless = true;
  d->left_right = 0;
  d->bottom_top = 0;

  // One medium: the ID-1 card from the card hopper, printed edge to edge.
  d->num_media = 1;
  d->media[0] = kCardMedia;
  pappl_media_col_t card{};
  papplCopyString(card.size_name, kCardMedia, sizeof card.size_name);
  card.size_width = kCardWidth;
  card.size_length = kCardLength;
  papplCopyString(card.source, "main", sizeof card.source);
  papplCopyString(card.type, "plastic", sizeof card.type);
  d->media_default = card;
  d->num_source = 1;
  d->source[0] = "main";
  d->media_ready[0] = card;
  d->num_type = 1;
  d->type[0] = "plastic";

  // Vendor attributes: their values, their defaults, and the printer settings among them.
  ipp_t* attrs = ippNew();
  d->num_vendor = 0;
  for (const VendorAttribute& a : app.vendor) {
    if (d->num_vendor >= PAPPL_MAX_VENDOR) break;
    d->vendor[d->num_vendor++] = a.name.c_str();
    const std::string supported = a.name + "-supported", def = a.name + "-default";
    switch (a.syntax) {
      case AttributeSyntax::Keyword: {
        std::vector<const char*> values;
        for (const std::string& k : a.keywords) values.push_back(k.c_str());
        ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, supported.c_str(), static_cast<int>(values.size()),
                      nullptr, values.data());
        ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, def.c_str(), nullptr, a.defaultValue.c_str());
        break;
      }
      case AttributeSyntax::Integer:
        ippAddRange(attrs, IPP_TAG_PRINTER, supported.c_str(), a.lower, a.upper);
        ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, def.c_str(), std::stoi(a.defaultValue));
        break;
      case AttributeSyntax::Boolean:
        ippAddBoolean(attrs, IPP_TAG_PRINTER, supported.c_str(), 1);
        ippAddBoolean(attrs, IPP_TAG_PRINTER, def.c_str(), a.defaultValue == "true");
        break;
      case AttributeSyntax::Text:
        // No NAME-supported: the framework takes the default as text then.
        ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_TEXT, def.c_str(), nullptr, a.defaultValue.c_str());
        break;
    }
  }
  // Colour is rendered one way only; Get-Printer-Attributes has no preferred-attributes form.
  ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-default", nullptr, "auto");
  ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-supported", nullptr, "auto");
  ippAddBoolean(attrs, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
  // The magnetic tracks are job attributes of their own; their -supported value is the longest text.
  for (int t = 0; t < 3; ++t)
    ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, (std::string(kTrackAttributes[t]) + "-supported").c_str(),
                  tools::MaxTrackLength(t + 1));
  *driverAttrs = attrs;
  return true;
}

const char* AutoAddCallback(const char*, const char*, const char* deviceId, void*) {
  return deviceId != nullptr && std::strstr(deviceId, "MDL:Q47x") != nullptr ? kDriverName : nullptr;
}

pappl_system_t* SystemCallback(int numOptions, cups_option_t* options, void* data) {
  AppContext& app = *static_cast<AppContext*>(data);
  CurrentApp() = &app;
  auto option = [&](const char* name) { return cupsGetOption(name, numOptions, options); };

  pappl_loglevel_t level = PAPPL_LOGLEVEL_WARN;
  if (const char* v = option("log-level")) {
    static const std::map<std::string, pappl_loglevel_t> levels = {{"fatal", PAPPL_LOGLEVEL_FATAL},
                                                                   {"error", PAPPL_LOGLEVEL_ERROR},
                                                                   {"warn", PAPPL_LOGLEVEL_WARN},
                                                                   {"info", PAPPL_LOGLEVEL_INFO},
                                                                   {"debug", PAPPL_LOGLEVEL_DEBUG}};
    const auto it = levels.find(v);
    if (it == levels.end()) {
      fprintf(stderr, "tolma-printer-app: bad log-level \"%s\" (fatal, error, warn, info or debug)\n", v);
      return nullptr;
    }
    level = it->second;
  }
  int port = 0;
  if (const char* v = option("server-port")) {
    char* end = nullptr;
    const long p = std::strtol(v, &end, 10);
    if (end == v || *end != '\0' || p < 0 || p > 65535) {
      fprintf(stderr, "tolma-printer-app: bad server-port \"%s\"\n", v);
      return nullptr;
    }
    port = static_cast<int>(p);
  }
  std::string spool;
  if (const char* v = option("spool-directory")) {
    spool = v;
  } else {
    spool = std::string(papplGetTempDir()) + "/tolma-printer-app" + std::to_string(getuid()) + ".d";
  }

  // The log goes through the pump that takes track data out; the web interface does not show it.
  std::string logPath, error;
  if (!StartLogPump(option("log-file") ? option("log-file") : "-", logPath, error)) {
    fprintf(stderr, "tolma-printer-app: %s\n", error.c_str());
    return nullptr;
  }
  pappl_system_t* system =
      papplSystemCreate(PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE, "Tolma Q47x Card Printer", port,
                        "_print,_universal", spool.c_str(), logPath.c_str(), level, option("auth-service"), false);
  if (system == nullptr) return nullptr;
  papplSystemSetMaxLogSize(system, 0);  // the pump moves a full log file aside
  ForgetLogPumpPath(logPath);           // the framework opened it while creating the system
  if (const char* v = option("admin-group")) papplSystemSetAdminGroup(system, v);
  if (!option("private-server")) papplSystemAddListeners(system, option("server-name"));

  // With a state file of its own, the printers are restored from it (the drivers must be known first);
  // without one the main loop keeps the state where the framework keeps it.
  static pappl_pr_driver_t drivers[] = {{kDriverName, kDriverDescription, kDeviceId, nullptr}};
  papplSystemSetPrinterDrivers(system, 1, drivers, AutoAddCallback, nullptr, DriverCallback, &app);
  if (const char* v = option("state-file")) {
    static std::string stateFile;
    stateFile = v;
    papplSystemLoadState(system, stateFile.c_str());
    papplSystemSetSaveCallback(system, SaveState, const_cast<char*>(stateFile.c_str()));
  }

  papplSystemAddMIMEFilter(system, "image/png", kStreamFormat, FilterPng, &app);
  papplSystemAddMIMEFilter(system, "application/octet-stream", kStreamFormat, FilterUnknown, &app);
  // Largest pictures the framework's own image conversion (JPEG) takes.
  papplSystemSetMaxImageSize(system, static_cast<size_t>(kMaxPicturePixels) * 4, kMaxPictureSide, kMaxPictureSide);
  return system;
}

}  // namespace tolma::printerapp
