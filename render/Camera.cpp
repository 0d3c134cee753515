#include "render/Camera.h"

#include <cmath>
#include <cstdint>

BEGIN_MESSAGE_MAP(CCamera, CWnd)
END_MESSAGE_MAP()

CCamera::CCamera()
    : m_headingRadians(0.0), m_sine(0.0), m_cosine(1.0), m_x(10000), m_y(100), m_altitude(4000),
      m_headingDegrees(0), m_horizonOffset(0), m_scale(256) {}

CCamera::~CCamera() = default;

void CCamera::SetHeading(int degrees) {
    if (degrees < 0) {
        // Unsigned, as the sum wraps for the most negative values and still lands in 0 to 359.
        const std::uint32_t d = static_cast<std::uint32_t>(degrees);
        const std::uint32_t q = (359u - d) / 360u;
        degrees = static_cast<int>(d + 360u * q);
    }
    degrees %= 360;
    m_headingDegrees = degrees;
    // Negative, so that headings run clockwise like compass bearings; 6.28318 stands for 2 pi.
    m_headingRadians = degrees * -0.017453277777777776;
    m_sine = std::sin(m_headingRadians);
    m_cosine = std::cos(m_headingRadians);
}
