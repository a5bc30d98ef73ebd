# The headers of each area, split into public ones (installed; a consumer may include them) and
# internal ones (backend support, caches and pixel helpers of the library's own .cpp files; tests
# may include them from the source tree). Every header under src/dialworks belongs to one list:
# the dw_headers_listed test fails on one that is in neither, and dw_installed_headers compiles
# each installed header alone from an install tree, so a public header that includes an internal
# one fails there.
set(DW_PUBLIC_HEADERS_top dialworks.h Export.h)
set(DW_PUBLIC_HEADERS_draw
  Bitmap.h Brush.h CachedFill.h CairoGraphics.h Font.h Graphics.h LayerRuns.h Matrix.h Path.h RecordingGraphics.h
  Region.h
  Shading.h Types.h)
set(DW_INTERNAL_HEADERS_draw
  CairoSupport.h ComputedCoverage.h ConvexGradient.h CoverageGradient.h KeptValues.h PixelPaths.h
  PolygonCoverage.h
  Pixels.h PixelsAvx2.h TextLayout.h)
set(DW_PUBLIC_HEADERS_host
  Buffers.h DateTime.h Helpers.h HostServices.h Locks.h ManualHost.h Pins.h PixelBlock.h
  Rotation.h ThreadedHost.h TickText.h)
set(DW_INTERNAL_HEADERS_host HostTimer.h)
set(DW_PUBLIC_HEADERS_framework
  ChangeNotify.h Collection.h ColorItems.h Component.h Control.h Decorations.h Elements.h Form.h
  FormJson.h GPProperties.h Persistents.h PropertyTable.h PropertyValue.h Registry.h SharedReal.h WindowShape.h)
set(DW_INTERNAL_HEADERS_framework Spelling.h)
set(DW_PUBLIC_HEADERS_foundation
  DWAnalogInstrument.h DWAnalogInstrumentDecorations.h DWAnalogInstrumentGeometry.h
  DWAnalogInstrumentHand.h DWAnalogInstrumentScale.h DWAnalogInstrumentTicks.h
  DWAnalogInstrumentValue.h DWAnalogInstrumentVariants.h DWClockTime.h DWControlHand.h DWDialFace.h DWHandAnimator.h
  DWLayeredInstrument.h DWSegmentIndicator.h DWStraightScale.h)
set(DW_INTERNAL_HEADERS_foundation)
set(DW_PUBLIC_HEADERS_angular DWAngularGauge.h DWAngularGaugeGeometry.h DWAngularGaugeHands.h)
set(DW_INTERNAL_HEADERS_angular)
set(DW_PUBLIC_HEADERS_indicators DWLed.h DWLevelLed.h DWProgressBar.h DWProgressBarFill.h)
set(DW_INTERNAL_HEADERS_indicators IndicatorMath.h)
set(DW_PUBLIC_HEADERS_linear DWLinearGauge.h DWLinearGaugeGeometry.h DWLinearGaugeHands.h)
set(DW_INTERNAL_HEADERS_linear LinearMath.h)
set(DW_PUBLIC_HEADERS_thermometer DWThermometer.h DWThermometerScale.h)
set(DW_INTERNAL_HEADERS_thermometer ThermometerMath.h)
set(DW_PUBLIC_HEADERS_clock DWAnalogClock.h DWAnalogClockHands.h)
set(DW_INTERNAL_HEADERS_clock)
set(DW_PUBLIC_HEADERS_segment DWSegmentClock.h DWSegmentGauge.h DWSegmentText.h)
set(DW_INTERNAL_HEADERS_segment)
set(DW_PUBLIC_HEADERS_matrix DWMatrixDisplay.h DWSpectrumDisplay.h DWTextMatrixLayer.h)
set(DW_INTERNAL_HEADERS_matrix)
set(DW_PUBLIC_HEADERS_panel DWGlassPanel.h)
set(DW_INTERNAL_HEADERS_panel)
set(DW_PUBLIC_HEADERS_package DialworksPkg.h FormRender.h)
set(DW_INTERNAL_HEADERS_package)
# The Qt host (dialworks::qt, cmake/DialworksQt.cmake), installed with that library.
set(DW_PUBLIC_HEADERS_qt InstrumentWidget.h QtHost.h ShapeOverlay.h)
set(DW_INTERNAL_HEADERS_qt)
