#include "tarvixcontrol.h"

TarvixControl::~TarvixControl() = default;
