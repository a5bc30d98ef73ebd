// Dialworks: everything public in one include. Programs that want less include the headers of
// the areas they use ("dialworks/angular/DWAngularGauge.h", "dialworks/draw/CairoGraphics.h").
#pragma once

// Version (generated from the build's project version)
#include "dialworks/Version.h"

// Drawing surface
#include "dialworks/draw/Types.h"
#include "dialworks/draw/Matrix.h"
#include "dialworks/draw/Path.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/Font.h"
#include "dialworks/draw/Region.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/draw/Shading.h"

// Host services, pins, buffers and helpers
#include "dialworks/host/HostServices.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/host/ThreadedHost.h"
#include "dialworks/host/Locks.h"
#include "dialworks/host/Pins.h"
#include "dialworks/host/Buffers.h"
#include "dialworks/host/PixelBlock.h"
#include "dialworks/host/Helpers.h"
#include "dialworks/host/DateTime.h"
#include "dialworks/host/Rotation.h"
#include "dialworks/host/TickText.h"

// Control framework: components, properties, forms, controls, elements, registry
#include "dialworks/framework/Component.h"
#include "dialworks/framework/ChangeNotify.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/framework/Persistents.h"
#include "dialworks/framework/Collection.h"
#include "dialworks/framework/ColorItems.h"
#include "dialworks/framework/GPProperties.h"
#include "dialworks/framework/Decorations.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/WindowShape.h"

// Instrument foundation
#include "dialworks/foundation/DWAnalogInstrument.h"
#include "dialworks/foundation/DWStraightScale.h"
#include "dialworks/foundation/DWClockTime.h"
#include "dialworks/foundation/DWControlHand.h"
#include "dialworks/foundation/DWSegmentIndicator.h"

// Instruments
#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/angular/DWAngularGaugeHands.h"
#include "dialworks/indicators/DWProgressBar.h"
#include "dialworks/indicators/DWLed.h"
#include "dialworks/indicators/DWLevelLed.h"
#include "dialworks/linear/DWLinearGauge.h"
#include "dialworks/linear/DWLinearGaugeHands.h"
#include "dialworks/thermometer/DWThermometer.h"
#include "dialworks/thermometer/DWThermometerScale.h"
#include "dialworks/clock/DWAnalogClock.h"
#include "dialworks/clock/DWAnalogClockHands.h"
#include "dialworks/segment/DWSegmentClock.h"
#include "dialworks/segment/DWSegmentGauge.h"
#include "dialworks/segment/DWSegmentText.h"
#include "dialworks/matrix/DWMatrixDisplay.h"
#include "dialworks/matrix/DWSpectrumDisplay.h"
#include "dialworks/matrix/DWTextMatrixLayer.h"
#include "dialworks/panel/DWGlassPanel.h"

// Registration of every unit
#include "dialworks/package/DialworksPkg.h"
#include "dialworks/package/FormRender.h"
