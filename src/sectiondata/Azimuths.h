#pragma once

#include "sectiondata/CDataStruct.h"

namespace quarvel {

// Direction from p to q in degrees clockwise from +Y, with the short value of
// pi and the strict thresholds the section files were made with.
double AzimuthBetween(const CDataStruct& p, const CDataStruct& q);

// Fills azimuth and backAzimuth of the vertices of the section line in place.
void ComputeAzimuths(PointList& points);

} // namespace quarvel
