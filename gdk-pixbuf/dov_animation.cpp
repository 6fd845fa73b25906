#include "gdk-pixbuf/dov_animation.h"

#include <new>
#include <utility>

namespace dovpixbuf {
namespace {

// What the GObjects hold; made and destroyed with them.
struct AnimationState {
  std::shared_ptr<Document> document;
  GdkPixbuf* still = nullptr;  // frame 0 on the canvas, made when asked
  ~AnimationState() {
    if (still != nullptr) g_object_unref(still);
  }
};

struct IterState {
  GdkPixbufAnimation* animation = nullptr;  // a reference
  std::shared_ptr<Document> document;
  int64_t startMs = 0;
  Position at{0, 0};
  GdkPixbuf* shown = nullptr;  // the frame at `at`, made when asked
  ~IterState() {
    if (shown != nullptr) g_object_unref(shown);
    if (animation != nullptr) g_object_unref(animation);
  }
};

int64_t Milliseconds(const GTimeVal* time) {
  if (time == nullptr) return g_get_real_time() / 1000;
  return int64_t{time->tv_sec} * 1000 + time->tv_usec / 1000;
}

}  // namespace
}  // namespace dovpixbuf

struct DovAnimation {
  GdkPixbufAnimation parent;
  dovpixbuf::AnimationState* state;
};
struct DovAnimationClass {
  GdkPixbufAnimationClass parent_class;
};
struct DovAnimationIter {
  GdkPixbufAnimationIter parent;
  dovpixbuf::IterState* state;
};
struct DovAnimationIterClass {
  GdkPixbufAnimationIterClass parent_class;
};

G_DEFINE_TYPE(DovAnimation, dov_animation, GDK_TYPE_PIXBUF_ANIMATION)
G_DEFINE_TYPE(DovAnimationIter, dov_animation_iter, GDK_TYPE_PIXBUF_ANIMATION_ITER)

namespace {

using dovpixbuf::AnimationState;
using dovpixbuf::IterState;

DovAnimation* AsAnimation(gpointer object) {
  return G_TYPE_CHECK_INSTANCE_CAST(object, dov_animation_get_type(), DovAnimation);
}
DovAnimationIter* AsIter(gpointer object) {
  return G_TYPE_CHECK_INSTANCE_CAST(object, dov_animation_iter_get_type(), DovAnimationIter);
}

void AnimationFinalize(GObject* object) {
  DovAnimation* self = AsAnimation(object);
  delete self->state;
  self->state = nullptr;
  G_OBJECT_CLASS(dov_animation_parent_class)->finalize(object);
}

gboolean IsStatic(GdkPixbufAnimation* animation) {
  return AsAnimation(animation)->state->document->FrameCount() == 1;
}

GdkPixbuf* StaticImage(GdkPixbufAnimation* animation) {
  AnimationState* state = AsAnimation(animation)->state;
  if (state->still == nullptr) state->still = state->document->Frame(0, true, nullptr);
  return state->still;
}

void Size(GdkPixbufAnimation* animation, int* width, int* height) {
  const dovpixbuf::Document& doc = *AsAnimation(animation)->state->document;
  if (width != nullptr) *width = doc.CanvasWidth();
  if (height != nullptr) *height = doc.CanvasHeight();
}

GdkPixbufAnimationIter* Iter(GdkPixbufAnimation* animation, const GTimeVal* start) {
  auto* iter = static_cast<DovAnimationIter*>(g_object_new(dov_animation_iter_get_type(), nullptr));
  auto* state = new (std::nothrow) IterState;
  if (state == nullptr) {
    g_object_unref(iter);
    return nullptr;
  }
  iter->state = state;
  state->animation = GDK_PIXBUF_ANIMATION(g_object_ref(animation));
  state->document = AsAnimation(animation)->state->document;
  state->startMs = dovpixbuf::Milliseconds(start);
  state->at = dovpixbuf::PositionAt(*state->document, 0);
  return GDK_PIXBUF_ANIMATION_ITER(iter);
}

void IterFinalize(GObject* object) {
  DovAnimationIter* self = AsIter(object);
  delete self->state;
  self->state = nullptr;
  G_OBJECT_CLASS(dov_animation_iter_parent_class)->finalize(object);
}

int IterDelay(GdkPixbufAnimationIter* iter) {
  IterState* state = AsIter(iter)->state;
  // A single frame stays for ever.
  return state->document->FrameCount() == 1 ? -1 : state->at.remainingMs;
}

GdkPixbuf* IterPixbuf(GdkPixbufAnimationIter* iter) {
  IterState* state = AsIter(iter)->state;
  if (state->shown == nullptr) state->shown = state->document->Frame(state->at.frame, true, nullptr);
  return state->shown;
}

gboolean IterLoading(GdkPixbufAnimationIter*) { return FALSE; }

gboolean IterAdvance(GdkPixbufAnimationIter* iter, const GTimeVal* now) {
  IterState* state = AsIter(iter)->state;
  int64_t nowMs = dovpixbuf::Milliseconds(now);
  // A clock set back starts the animation over.
  if (nowMs < state->startMs) state->startMs = nowMs;
  const dovpixbuf::Position at = dovpixbuf::PositionAt(*state->document, nowMs - state->startMs);
  const bool changed = at.frame != state->at.frame;
  state->at = at;
  if (changed && state->shown != nullptr) {
    g_object_unref(state->shown);
    state->shown = nullptr;
  }
  return changed ? TRUE : FALSE;
}

}  // namespace

// The type system calls these by the names G_DEFINE_TYPE declared.
static void dov_animation_class_init(DovAnimationClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = AnimationFinalize;
  GdkPixbufAnimationClass* animation = GDK_PIXBUF_ANIMATION_CLASS(klass);
  animation->is_static_image = IsStatic;
  animation->get_static_image = StaticImage;
  animation->get_size = Size;
  animation->get_iter = Iter;
}

static void dov_animation_init(DovAnimation* self) { self->state = nullptr; }

static void dov_animation_iter_class_init(DovAnimationIterClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = IterFinalize;
  GdkPixbufAnimationIterClass* iter = GDK_PIXBUF_ANIMATION_ITER_CLASS(klass);
  iter->get_delay_time = IterDelay;
  iter->get_pixbuf = IterPixbuf;
  iter->on_currently_loading_frame = IterLoading;
  iter->advance = IterAdvance;
}

static void dov_animation_iter_init(DovAnimationIter* self) { self->state = nullptr; }

namespace dovpixbuf {

GdkPixbufAnimation* NewAnimation(std::shared_ptr<Document> document) {
  auto* state = new (std::nothrow) AnimationState;
  if (state == nullptr) return nullptr;
  state->document = std::move(document);
  auto* animation = static_cast<DovAnimation*>(g_object_new(dov_animation_get_type(), nullptr));
  animation->state = state;
  return GDK_PIXBUF_ANIMATION(animation);
}

Position PositionAt(const Document& document, int64_t elapsedMs) {
  int64_t total = 0;
  for (uint32_t f = 0; f < document.FrameCount(); ++f) total += document.DelayMs(f);
  int64_t at = total > 0 ? elapsedMs % total : 0;
  for (uint32_t f = 0; f < document.FrameCount(); ++f) {
    const int delay = document.DelayMs(f);
    if (at < delay) return {f, static_cast<int>(delay - at)};
    at -= delay;
  }
  return {0, document.DelayMs(0)};
}

}  // namespace dovpixbuf
