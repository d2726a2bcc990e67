// Everything of the platform core.
#pragma once

#include "I18NLocale.h"
#include "I18NString.h"
#include "PYXBase64.h"
#include "PYXFm.h"
#include "PYXHome.h"
#include "PYXMessage.h"
#include "PYXMessageCatalogue.h"
#include "PYXThread.h"
#include "PYXThrowable.h"
#include "PYXUtConvert.h"
