// The instrument foundation in one include: value model, scale and ticks, the angular hand and
// its animation, the gauge decorations, the layered instrument base and the variant machinery
// every instrument unit uses.
// This unit registers nothing itself; each instrument unit's RegisterPkg registers its classes.
#pragma once

#include "dialworks/foundation/DWAnalogInstrumentDecorations.h"
#include "dialworks/foundation/DWAnalogInstrumentGeometry.h"
#include "dialworks/foundation/DWAnalogInstrumentHand.h"
#include "dialworks/foundation/DWAnalogInstrumentScale.h"
#include "dialworks/foundation/DWAnalogInstrumentTicks.h"
#include "dialworks/foundation/DWAnalogInstrumentValue.h"
#include "dialworks/foundation/DWAnalogInstrumentVariants.h"
#include "dialworks/foundation/DWDialFace.h"
#include "dialworks/foundation/DWHandAnimator.h"
#include "dialworks/foundation/DWLayeredInstrument.h"
