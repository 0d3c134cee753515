// The view window: a child of the main dialog that owns the back buffer and the six terrain
// textures, draws frames of the terrain into the back buffer with the column ray caster, and
// copies the last frame to the screen when painted.
#pragma once

#include <afxwin.h>

#include "gfx/DIB.h"

class CCamera;
class CHeightMap;

// Whether frames use the processor's vector instructions where it has them (1, the default). The
// scalar march that 0 selects draws the very same pixels; tests compare the two.
extern int g_casterVectors;

class CTerrainView : public CWnd {
public:
    CTerrainView();
    ~CTerrainView() override;

    // Draws one frame of map as camera sees it into the back buffer, then, when invalidate is
    // non-zero, invalidates the window without erasing so that painting shows it. Returns 0.
    int Render(CCamera* camera, CHeightMap* map, int invalidate);
    // Draws screen column `column` of a width x height frame: the march of one ray. Render
    // calls it for every column, after the fills and after setting the eye height.
    int RenderColumn(CCamera* camera, CHeightMap* map, int column, int width, int height);

    // Destroys and deletes the back buffer; nothing when there is none.
    void FreeBackBuffer();
    // Creates the six terrain textures, one per terrain class, from the bitmap resources: each
    // starts as 128 x 128 of colour 55 with the application palette and then takes its bitmap.
    // Whatever the slots held before is deleted first.
    void LoadTextures();
    // Deletes the textures and empties their slots.
    void FreeTextures();

    // The bitmap resource of each texture slot, indexed by terrain class.
    static const UINT s_textureIds[6];

    int m_eyeHeight;
    CDIB* m_pBackBuffer;
    CDIB* m_pTextures[6];

protected:
    // Creating the window loads the textures; -1 when default creation refuses.
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    // A new back buffer of the new client size, colour 0 until the next render; a size of zero
    // or less keeps the old one.
    afx_msg void OnSize(UINT nType, int cx, int cy);
    // Copies the back buffer one to one to the window's top-left corner.
    afx_msg void OnPaint();
    // Dark red where no back buffer covers the window.
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    // Releases the back buffer and the textures.
    afx_msg void OnDestroy();

    DECLARE_MESSAGE_MAP()
};
