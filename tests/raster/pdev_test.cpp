// Tests of the driver entry points, the rendering context and the card surface.
#include "raster/context.h"
#include "raster/ddi_functions.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tolma {
namespace {

RenderContext& Ctx(DHPDEV pdev) { return *reinterpret_cast<RenderContext*>(pdev); }

// A DEVMODE buffer: default-looking public part, then a private part filled with a pattern.
std::vector<uint8_t> MakeDevmode(uint16_t dmSize, uint16_t dmExtra, short orientation, bool signatureAtDmSize) {
  std::vector<uint8_t> bytes(size_t{dmSize} + dmExtra, 0);
  DEVMODEW dm{};
  dm.dmSize = dmSize;
  dm.dmDriverExtra = dmExtra;
  dm.dmOrientation = orientation;
  dm.dmCopies = 2;
  std::memcpy(bytes.data(), &dm, std::min<size_t>(dmSize, sizeof dm));
  for (size_t i = std::min<size_t>(dmSize, 212); i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i % 251);
  if (signatureAtDmSize) WriteU16(bytes.data() + dmSize, kPrivateSignature);
  return bytes;
}

class DriverTest : public test::HostTest {
 protected:
  void SetUp() override {
    test::HostTest::SetUp();
    DRVENABLEDATA data{};
    ASSERT_TRUE(DrvEnableDriver(DDI_DRIVER_VERSION_NT5, sizeof data, &data));
    baselineBlocks_ = host::LiveHeapBlocks();
  }
  void TearDown() override {
    DrvDisableDriver();
    EXPECT_EQ(host::LiveHeapBlocks(), baselineBlocks_) << "every context block is freed";
    EXPECT_EQ(host::LiveSurfaceCount(), 0);
    EXPECT_EQ(host::LivePaletteCount(), 0);
    test::HostTest::TearDown();
  }

  DHPDEV Enable(DEVMODEW* devmode, GDIINFO* gdi = nullptr, DEVINFO* devInfo = nullptr) {
    GDIINFO localGdi{};
    DEVINFO localDev{};
    return DrvEnablePDEV(devmode, nullptr, 0, nullptr, sizeof(GDIINFO), reinterpret_cast<ULONG*>(gdi ? gdi : &localGdi),
                         sizeof(DEVINFO), devInfo ? devInfo : &localDev, nullptr, nullptr, printer_);
  }

  HANDLE printer_ = reinterpret_cast<HANDLE>(0x1234);
  int baselineBlocks_ = 0;
};

TEST(DriverEntry, QueryDriverInfoAnswersUserMode) {
  DWORD value = 7, needed = 0;
  EXPECT_TRUE(DrvQueryDriverInfo(DRVQUERY_USERMODE, &value, sizeof value, &needed));
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(needed, 4u);

  uint16_t small = 0;
  needed = 0;
  SetLastError(0);
  EXPECT_FALSE(DrvQueryDriverInfo(DRVQUERY_USERMODE, &small, sizeof small, &needed));
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_FALSE(DrvQueryDriverInfo(DRVQUERY_USERMODE, nullptr, 4, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  EXPECT_FALSE(DrvQueryDriverInfo(2, &value, sizeof value, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(DriverEntry, EnableDriverChecksVersionAndSizeAndHandsOutTheTable) {
  DRVENABLEDATA data{};
  SetLastError(0);
  EXPECT_FALSE(DrvEnableDriver(0x1FFFF, sizeof data, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_DRIVER_LEVEL));
  EXPECT_FALSE(DrvEnableDriver(0x20000, sizeof data - 1, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(data.pdrvfn, nullptr) << "a refused call writes nothing";

  ASSERT_TRUE(DrvEnableDriver(0x20000, sizeof data, &data));
  EXPECT_EQ(data.iDriverVersion, static_cast<ULONG>(DDI_DRIVER_VERSION_NT5));
  ASSERT_EQ(data.c, 20u);
  const ULONG expectedOrder[] = {
      INDEX_DrvEnablePDEV,        INDEX_DrvCompletePDEV,   INDEX_DrvResetPDEV,  INDEX_DrvDisablePDEV,
      INDEX_DrvEnableSurface,     INDEX_DrvDisableSurface, INDEX_DrvStrokePath, INDEX_DrvFillPath,
      INDEX_DrvStrokeAndFillPath, INDEX_DrvLineTo,         INDEX_DrvPaint,      INDEX_DrvBitBlt,
      INDEX_DrvCopyBits,          INDEX_DrvStretchBlt,     INDEX_DrvTextOut,    INDEX_DrvEscape,
      INDEX_DrvStartDoc,          INDEX_DrvEndDoc,         INDEX_DrvStartPage,  INDEX_DrvSendPage};
  for (ULONG i = 0; i < 20; ++i) {
    EXPECT_EQ(data.pdrvfn[i].iFunc, expectedOrder[i]) << i;
    EXPECT_NE(data.pdrvfn[i].pfn, nullptr) << i;
  }
  EXPECT_EQ(data.pdrvfn[0].pfn, reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(&DrvEnablePDEV)));
  EXPECT_EQ(data.pdrvfn[19].pfn, reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(&DrvSendPage)));
  DrvDisableDriver();
  EXPECT_TRUE(DllEntryPoint(nullptr, DLL_PROCESS_ATTACH, nullptr));
  EXPECT_TRUE(DllEntryPoint(nullptr, DLL_PROCESS_DETACH, nullptr));
}

TEST_F(DriverTest, RenderingLockIsUsable) {
  { RenderingLockGuard lock; }
  RenderingLockGuard outer;
  RenderingLockGuard inner;  // re-entrant on one thread, like a critical section
}

struct PrivatePartCase {
  const char* name;
  uint16_t dmSize;
  uint16_t dmExtra;
  bool signature;
  size_t expectedOffset;
};

class EnablePdevPrivatePart : public DriverTest, public ::testing::WithParamInterface<PrivatePartCase> {};

TEST_P(EnablePdevPrivatePart, TakesThePrivatePartByTheSignatureRule) {
  const PrivatePartCase& c = GetParam();
  auto bytes = MakeDevmode(c.dmSize, c.dmExtra, DMORIENT_LANDSCAPE, c.signature);
  auto* devmode = reinterpret_cast<DEVMODEW*>(bytes.data());
  DHPDEV pdev = Enable(devmode);
  ASSERT_NE(pdev, nullptr);
  const size_t copied = std::min<size_t>(c.dmExtra, kPrivateDevmodeSize);
  const auto* priv = reinterpret_cast<const uint8_t*>(&Ctx(pdev).priv);
  EXPECT_EQ(std::memcmp(priv, bytes.data() + c.expectedOffset, copied), 0);
  for (size_t i = copied; i < kPrivateDevmodeSize; ++i) ASSERT_EQ(priv[i], 0) << "bytes past dmDriverExtra stay zero";
  EXPECT_EQ(devmode->dmSize, 212) << "the caller's dmSize reads 212 afterwards";
  EXPECT_EQ(Ctx(pdev).devmode.dmSize, 212);
  EXPECT_EQ(Ctx(pdev).devmode.dmCopies, 2);
  EXPECT_EQ(Ctx(pdev).headMarker, kContextMarker);
  EXPECT_EQ(Ctx(pdev).tailMarker, kContextMarker);
  EXPECT_EQ(Ctx(pdev).printerHandle, printer_);
  DrvDisablePDEV(pdev);
}

INSTANTIATE_TEST_SUITE_P(Cases, EnablePdevPrivatePart,
                         ::testing::Values(PrivatePartCase{"size212", 212, 2224, true, 212},
                                           PrivatePartCase{"size220WithSignature", 220, 2224, true, 220},
                                           PrivatePartCase{"size220WithoutSignature", 220, 2224, false, 212},
                                           PrivatePartCase{"oversizedExtra", 212, 4000, true, 212},
                                           PrivatePartCase{"undersizedExtra", 212, 300, true, 212},
                                           PrivatePartCase{"noExtra", 212, 0, false, 212}),
                         [](const auto& info) { return std::string(info.param.name); });

struct OrientationCase {
  short orientation;
  ULONG mmWide, mmHigh, width, height;
};

class EnablePdevDescription : public DriverTest, public ::testing::WithParamInterface<OrientationCase> {};

TEST_P(EnablePdevDescription, DescribesTheCardDeviceAndCreatesTheMatchingPage) {
  const OrientationCase& c = GetParam();
  auto bytes = MakeDevmode(212, 2224, c.orientation, true);
  GDIINFO gdi{};
  DEVINFO devInfo{};
  DHPDEV pdev = Enable(reinterpret_cast<DEVMODEW*>(bytes.data()), &gdi, &devInfo);
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(gdi.ulVersion, 0x5001u);
  EXPECT_EQ(gdi.ulTechnology, static_cast<ULONG>(DT_RASPRINTER));
  EXPECT_EQ(gdi.ulHorzSize, c.mmWide);
  EXPECT_EQ(gdi.ulVertSize, c.mmHigh);
  EXPECT_EQ(gdi.ulHorzRes, c.width);
  EXPECT_EQ(gdi.ulVertRes, c.height);
  EXPECT_EQ(gdi.szlPhysSize.cx, static_cast<LONG>(c.width));
  EXPECT_EQ(gdi.szlPhysSize.cy, static_cast<LONG>(c.height));
  EXPECT_EQ(gdi.cBitsPixel, 24u);
  EXPECT_EQ(gdi.cPlanes, 1u);
  EXPECT_EQ(gdi.ulNumColors, 3u);
  EXPECT_EQ(gdi.ulLogPixelsX, 300u);
  EXPECT_EQ(gdi.ulLogPixelsY, 300u);
  EXPECT_EQ(gdi.flTextCaps, 0x2710u);
  EXPECT_EQ(gdi.ulAspectXY, 425u);
  EXPECT_EQ(gdi.denStyleStep, 12);
  EXPECT_EQ(gdi.ciDevice.RedGamma, 12500);
  EXPECT_EQ(gdi.ciDevice.MagentaInYellowDye, 5000);
  EXPECT_EQ(gdi.ciDevice.Red.x, 0);
  EXPECT_EQ(gdi.ulDevicePelsDPI, 300u);
  EXPECT_EQ(gdi.ulPrimaryOrder, static_cast<ULONG>(PRIMARY_ORDER_CBA));
  EXPECT_EQ(gdi.ulHTPatternSize, static_cast<ULONG>(HT_PATSIZE_SUPERCELL_M));
  EXPECT_EQ(gdi.ulHTOutputFormat, static_cast<ULONG>(HT_FORMAT_24BPP));
  EXPECT_EQ(gdi.flHTFlags, static_cast<ULONG>(HT_FLAG_HAS_BLACK_DYE));
  EXPECT_EQ(gdi.ulVRefresh, 0u);
  EXPECT_EQ(gdi.ulPhysicalPixelGamma, 0u);
  EXPECT_EQ(devInfo.flGraphicsCaps, static_cast<FLONG>(GCAPS_HALFTONE));
  EXPECT_EQ(devInfo.cFonts, 0u);
  EXPECT_EQ(devInfo.iDitherFormat, static_cast<ULONG>(BMF_24BPP));
  EXPECT_EQ(devInfo.hpalDefault, Ctx(pdev).palette);
  EXPECT_EQ(host::PaletteMode(devInfo.hpalDefault), static_cast<ULONG>(PAL_BGR));

  HDEV device = host::NewEngineDevice();
  DrvCompletePDEV(pdev, device);
  EXPECT_EQ(Ctx(pdev).engineDevice, device);
  HSURF card = DrvEnableSurface(pdev);
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(card, Ctx(pdev).cardSurface);
  for (HSURF surface : {Ctx(pdev).cardSurface, Ctx(pdev).monoSurface}) {
    const host::SurfaceInfo info = host::DescribeSurface(surface);
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.size.cx, static_cast<LONG>(c.width));
    EXPECT_EQ(info.size.cy, static_cast<LONG>(c.height));
    EXPECT_EQ(info.hooks, 0x5FBu);
    EXPECT_EQ(info.device, device);
    EXPECT_EQ(info.createFlags, static_cast<FLONG>(BMF_TOPDOWN | BMF_NOZEROINIT));
    EXPECT_GT(info.stride, 0) << "top-down";
  }
  EXPECT_EQ(host::DescribeSurface(Ctx(pdev).cardSurface).format, static_cast<ULONG>(BMF_24BPP));
  EXPECT_EQ(host::DescribeSurface(Ctx(pdev).monoSurface).format, static_cast<ULONG>(BMF_1BPP));
  DrvDisableSurface(pdev);
  EXPECT_EQ(Ctx(pdev).cardSurface, nullptr);
  EXPECT_EQ(Ctx(pdev).monoSurface, nullptr);
  DrvDisablePDEV(pdev);
}

INSTANTIATE_TEST_SUITE_P(Orientations, EnablePdevDescription,
                         ::testing::Values(OrientationCase{DMORIENT_LANDSCAPE, 86, 54, 1024, 640},
                                           OrientationCase{DMORIENT_PORTRAIT, 54, 86, 640, 1024},
                                           OrientationCase{0, 86, 54, 1024, 640},
                                           OrientationCase{7, 86, 54, 1024, 640}));

TEST_F(DriverTest, WithoutADevmodeDescriptionAndPageAreBothPortrait) {
  GDIINFO gdi{};
  DHPDEV pdev = Enable(nullptr, &gdi);
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(gdi.ulHorzRes, 640u);
  EXPECT_EQ(gdi.ulVertRes, 1024u);
  ASSERT_NE(DrvEnableSurface(pdev), nullptr);
  const host::SurfaceInfo info = host::DescribeSurface(Ctx(pdev).cardSurface);
  EXPECT_EQ(info.size.cx, 640);
  EXPECT_EQ(info.size.cy, 1024);
  DrvDisableSurface(pdev);
  DrvDisablePDEV(pdev);
}

TEST_F(DriverTest, DescriptionBlocksAreFilledToTheirSizeOnly) {
  auto bytes = MakeDevmode(212, 2224, DMORIENT_LANDSCAPE, true);
  // Larger requests than the structures: nothing past them is written.
  std::vector<uint8_t> caps(sizeof(GDIINFO) + 64, 0xAB), info(sizeof(DEVINFO) + 64, 0xCD);
  HSURF patterns[3] = {reinterpret_cast<HSURF>(1), reinterpret_cast<HSURF>(2), reinterpret_cast<HSURF>(3)};
  DHPDEV pdev =
      DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(bytes.data()), nullptr, 3, patterns, static_cast<ULONG>(caps.size()),
                    reinterpret_cast<ULONG*>(caps.data()), static_cast<ULONG>(info.size()),
                    reinterpret_cast<DEVINFO*>(info.data()), nullptr, nullptr, printer_);
  ASSERT_NE(pdev, nullptr);
  for (size_t i = sizeof(GDIINFO); i < caps.size(); ++i) ASSERT_EQ(caps[i], 0xAB);
  for (size_t i = sizeof(DEVINFO); i < info.size(); ++i) ASSERT_EQ(info[i], 0xCD);
  for (HSURF p : patterns) EXPECT_EQ(p, nullptr);
  DrvDisablePDEV(pdev);

  // Smaller ones: exactly that many bytes.
  std::vector<uint8_t> shortCaps(16, 0xAB);
  pdev = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(bytes.data()), nullptr, 0, nullptr, 8,
                       reinterpret_cast<ULONG*>(shortCaps.data()), 0, nullptr, nullptr, nullptr, printer_);
  ASSERT_NE(pdev, nullptr);
  ULONG version = 0;
  std::memcpy(&version, shortCaps.data(), 4);
  EXPECT_EQ(version, 0x5001u);
  for (size_t i = 8; i < shortCaps.size(); ++i) EXPECT_EQ(shortCaps[i], 0xAB);
  DrvDisablePDEV(pdev);
}

TEST_F(DriverTest, FailedAllocationsGiveNoContextAndLeakNothing) {
  auto bytes = MakeDevmode(212, 2224, DMORIENT_LANDSCAPE, true);
  // The context, its six insert buffers and its replay buffer: eight allocations.
  for (int failing = 0; failing < 8; ++failing) {
    host::SetFailure(host::FailPoint::HeapAlloc, failing, 1);
    SetLastError(0);
    EXPECT_EQ(Enable(reinterpret_cast<DEVMODEW*>(bytes.data())), nullptr) << failing;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OUTOFMEMORY)) << failing;
    EXPECT_EQ(host::LiveHeapBlocks(), baselineBlocks_) << failing;
    host::ClearFailures();
  }
  host::SetFailure(host::FailPoint::EngCreatePalette);
  EXPECT_EQ(Enable(reinterpret_cast<DEVMODEW*>(bytes.data())), nullptr);
  EXPECT_EQ(host::LiveHeapBlocks(), baselineBlocks_);
}

TEST_F(DriverTest, FailedBitmapsAreReportedAndCleanedUpByDisableSurface) {
  auto bytes = MakeDevmode(212, 2224, DMORIENT_LANDSCAPE, true);
  DHPDEV pdev = Enable(reinterpret_cast<DEVMODEW*>(bytes.data()));
  ASSERT_NE(pdev, nullptr);
  host::SetFailure(host::FailPoint::EngCreateBitmap, 0, 1);
  EXPECT_EQ(DrvEnableSurface(pdev), nullptr);
  EXPECT_EQ(host::LiveSurfaceCount(), 0);

  host::SetFailure(host::FailPoint::EngCreateBitmap, 1, 1);  // the card page succeeds, the mono bitmap fails
  EXPECT_EQ(DrvEnableSurface(pdev), nullptr);
  EXPECT_EQ(host::LiveSurfaceCount(), 1);
  DrvDisableSurface(pdev);
  EXPECT_EQ(host::LiveSurfaceCount(), 0);
  DrvDisablePDEV(pdev);

  DrvDisablePDEV(nullptr);
  DrvDisableSurface(nullptr);
  DrvCompletePDEV(nullptr, nullptr);
}

TEST_F(DriverTest, ResetCarriesTheJobStateAndThePanelBuffer) {
  auto oldBytes = MakeDevmode(212, 2224, DMORIENT_LANDSCAPE, true);
  auto newBytes = MakeDevmode(212, 2224, DMORIENT_PORTRAIT, true);
  newBytes[212 + 100] = 0x77;
  DHPDEV oldPdev = Enable(reinterpret_cast<DEVMODEW*>(oldBytes.data()));
  DHPDEV newPdev = Enable(reinterpret_cast<DEVMODEW*>(newBytes.data()));
  ASSERT_TRUE(oldPdev && newPdev);

  RenderContext& from = Ctx(oldPdev);
  from.docStarted = 1;
  from.pageStarted = 1;
  from.pageCount = 3;
  std::memcpy(from.replayBuffer, "\x1bMO\r", 4);
  from.replayBuffer[kReplayBufferSize - 1] = 0x55;
  from.insertBuffers[2][0] = 0x1B;
  from.panelBuffer = static_cast<uint8_t*>(HeapAllocZero(kPanelBufferSize));
  from.panelLength = 1234;
  from.rle = RunLengthState{9, 17, 3, 450, 444};
  uint8_t* const panelBuffer = from.panelBuffer;

  ASSERT_TRUE(DrvResetPDEV(oldPdev, newPdev));
  const RenderContext& to = Ctx(newPdev);
  EXPECT_EQ(to.docStarted, 1u);
  EXPECT_EQ(to.pageStarted, 1u);
  EXPECT_EQ(to.pageCount, 3);
  EXPECT_NE(to.replayBuffer, from.replayBuffer) << "copied into the new context's own block";
  EXPECT_EQ(std::memcmp(to.replayBuffer, from.replayBuffer, kReplayBufferSize), 0);
  EXPECT_EQ(to.panelLength, 1234u);
  EXPECT_EQ(to.rle.value, 9);
  EXPECT_EQ(to.rle.count, 17);
  EXPECT_EQ(to.rle.state, 3);
  EXPECT_EQ(to.rle.workLength, 450);
  EXPECT_EQ(to.rle.blockIndex, 444);
  EXPECT_EQ(to.panelBuffer, panelBuffer) << "the open document keeps its panel output buffer";
  EXPECT_EQ(from.panelBuffer, nullptr);
  EXPECT_EQ(to.insertBuffers[2][0], 0) << "insert buffers are not carried";
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(&to.priv)[100], 0x77) << "the new context keeps its own settings";
  EXPECT_TRUE(to.IsPortrait());

  EXPECT_FALSE(DrvResetPDEV(nullptr, newPdev));
  DrvDisablePDEV(oldPdev);
  DrvDisablePDEV(newPdev);  // frees the moved panel buffer
}

}  // namespace
}  // namespace tolma
