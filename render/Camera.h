// The viewpoint of a frame: a position on the map, an eye altitude, a heading with its sine and
// cosine, a vertical offset of the horizon and a projection scale. Never created as a window.
#pragma once

#include <afxwin.h>

class CCamera : public CWnd {
public:
    CCamera();
    ~CCamera() override;

    // Any whole number of degrees; kept as 0 to 359 with its radians, sine and cosine.
    void SetHeading(int degrees);

    double m_headingRadians;
    double m_sine;
    double m_cosine;
    int m_x;
    int m_y;
    int m_altitude;
    int m_headingDegrees;
    int m_horizonOffset;
    int m_scale;

    DECLARE_MESSAGE_MAP()
};
