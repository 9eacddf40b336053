// The GL1 backend: a draw list executed with OpenGL 1.1's fixed-function calls, each command's
// projection and model transform rebuilt by the same calls the steps were recorded from, so the
// pixels are those of drawing them directly.
#include "render/gl1_backend.h"

#include "render/gl_api.h"

namespace render {

namespace {

void LoadProjection(const Projection& p) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (p.kind == Projection::Perspective)
    gluPerspective(p.p[0], p.p[1], p.p[2], p.p[3]);
  else
    glOrtho(p.p[0], p.p[1], p.p[2], p.p[3], p.p[4], p.p[5]);
  glMatrixMode(GL_MODELVIEW);
}

void LoadTransform(const TransformStep* steps, uint32_t count) {
  glLoadIdentity();
  for (uint32_t i = 0; i < count; ++i) {
    const TransformStep& s = steps[i];
    if (s.kind == TransformStep::Translate)
      glTranslatef(s.x, s.y, s.z);
    else if (s.kind == TransformStep::Rotate)
      glRotatef(s.x, 0.0f, 0.0f, 1.0f);
    else
      glScalef(s.x, s.y, s.z);
  }
}

void SetColour(const Command& c) {
  if (c.floatColour)
    glColor3f(c.colour.r / 255.0f, c.colour.g / 255.0f, c.colour.b / 255.0f);
  else
    glColor3ub(c.colour.r, c.colour.g, c.colour.b);
}

void SetBlend(Blend blend) {
  if (blend == Blend::Replace) {
    glDisable(GL_BLEND);
    return;
  }
  glEnable(GL_BLEND);
  if (blend == Blend::Multiply)
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
  else
    glBlendFunc(GL_ONE, GL_ONE);
}

void SetClip(const Command& c) {
  if (!c.clipped) {
    glDisable(GL_SCISSOR_TEST);
    return;
  }
  glEnable(GL_SCISSOR_TEST);
  glScissor(c.clip.x, c.clip.y, c.clip.w, c.clip.h);
}

void QuadVertices(const Vertex* v, uint32_t count, bool planar) {
  glBegin(GL_QUADS);
  for (uint32_t k = 0; k < count; ++k) {
    glTexCoord2f(v[k].u, v[k].v);
    if (planar)
      glVertex2f(v[k].x, v[k].y);
    else
      glVertex3f(v[k].x, v[k].y, v[k].z);
  }
  glEnd();
}

class Gl1Backend final : public Backend {
 public:
  BackendKind Kind() const override { return BackendKind::GL1; }
  bool SetUp(std::string&) override { return true; }
  TextureDevice& Textures() override { return GlTextureDevice(); }

  void Execute(const DrawList& list) override {
    if (list.commands.empty()) return;
    // Everything the commands set is put back afterwards.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_SCISSOR_BIT |
                 GL_VIEWPORT_BIT | GL_TEXTURE_BIT | GL_DEPTH_BUFFER_BIT);
    GLint matrixMode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glDisable(GL_DEPTH_TEST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    uint32_t view = UINT32_MAX;
    for (const Command& c : list.commands) {
      SetClip(c);
      if (c.primitive == Primitive::Clear) {
        glClearColor(c.colour.r / 255.0f, c.colour.g / 255.0f, c.colour.b / 255.0f, 0.5f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        continue;
      }
      if (c.view != view) {
        view = c.view;
        const View& v = list.views[view];
        glViewport(v.viewport.x, v.viewport.y, v.viewport.w, v.viewport.h);
        LoadProjection(v.projection);
      }
      SetBlend(c.blend);
      if (c.textured) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, c.texture);
      } else {
        glDisable(GL_TEXTURE_2D);
      }
      SetColour(c);
      LoadTransform(list.steps.data() + c.stepsBegin, c.stepsCount);
      const Vertex* v = list.vertices.data() + c.vertexBegin;
      if (c.primitive == Primitive::LineLoop) {
        glLineWidth(c.lineWidth);
        glBegin(GL_LINE_LOOP);
        for (uint32_t k = 0; k < c.vertexCount; ++k) glVertex2f(v[k].x, v[k].y);
        glEnd();
      } else if (c.advance == 0) {
        QuadVertices(v, c.vertexCount, c.planar);
      } else {
        for (uint32_t k = 0; k + 4 <= c.vertexCount; k += 4) {
          QuadVertices(v + k, 4, c.planar);
          glTranslatef(c.advance, 0.0f, 0.0f);
        }
      }
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(matrixMode));
    glPopAttrib();
  }
};

}  // namespace

std::unique_ptr<Backend> MakeGl1Backend() { return std::make_unique<Gl1Backend>(); }

}  // namespace render
