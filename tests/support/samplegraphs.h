// Small graphs as the three windows fill them, and the data a session would
// hold for each (its points and the axes' names).
#pragma once

#include "dataseries.h"
#include "graphker.h"

inline vandoral::Tgraphe SampleSpectrum()
{
    vandoral::Tgraphe g;
    g.WorldX.Name = "Lambda";
    g.WorldX.Unit = "nm";
    g.WorldY.Name = "A";
    g.MarkerSize = 4;
    g.DrawMode = 1;
    const double y[] = {0.523, 1.0, -0.012};
    for (int i = 0; i < 3; ++i) {
        g.X[i] = 512 + i;
        g.Curve1.Y[i] = y[i];
    }
    g.PointCount = 3;
    return g;
}

inline vandoral::Tgraphe SampleKinetics()
{
    vandoral::Tgraphe g;
    g.WorldX.Name = "t";
    g.WorldX.Unit = "s";
    g.WorldX.LongName = "temps";
    g.WorldY.Name = "A";
    g.WorldY.LongName = "Absorbance";
    g.MarkerSize = 3;
    g.Grid = false;
    g.DrawMode = 3;
    g.Curve1.Color = 255;
    g.Curve2.Color = 32768;
    const double y1[] = {0.5, 0.45, 0.405}, y2[] = {0.1, 0.15, 0.19};
    for (int i = 0; i < 3; ++i) {
        g.X[i] = 8 * i;
        g.Curve1.Y[i] = y1[i];
        g.Curve2.Y[i] = y2[i];
    }
    g.PointCount = 3;
    return g;
}

inline vandoral::Tgraphe SampleBeer()
{
    vandoral::Tgraphe g;
    g.WorldX.Name = "c";
    g.WorldX.Unit = "mol/L";
    g.WorldX.LongName = "concentration";
    g.WorldY.Name = "A";
    g.MarkerSize = 2;
    g.DrawMode = 2;
    g.X[0] = 0.001;
    g.X[1] = 0.002;
    g.Curve1.Y[0] = 0.25;
    g.Curve1.Y[1] = 0.5;
    g.PointCount = 2;
    return g;
}

inline vandoral::TDataSeries DataOf(const vandoral::Tgraphe &g)
{
    vandoral::TDataSeries d;
    d.XAxis = {g.WorldX.Name, g.WorldX.Unit, g.WorldX.LongName};
    d.YAxis = {g.WorldY.Name, g.WorldY.Unit, g.WorldY.LongName};
    for (int i = 0; i < g.PointCount; ++i)
        d.Append(g.X[std::size_t(i)], g.Curve1.Y[std::size_t(i)], g.Curve2.Y[std::size_t(i)]);
    return d;
}
