#include "scene/AnimationBMP.h"

#include "data/MTRandom.h"
#include "data/TextHelpers.h"
#include "scene/AnimationCurves.h"
#include "scene/AnimationLoader.h"
#include "scene/MotionDataManager.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tsukimi {
namespace {

std::string WithoutExtension(std::string_view name)
{
    const size_t dot = name.rfind('.');
    const size_t slash = name.find_last_of("\\/");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::string(name);
    return std::string(name.substr(0, dot));
}

std::string LowerExtension(std::string_view name)
{
    const std::string stem = WithoutExtension(name);
    return LowerText(name.substr(stem.size()));
}

bool InRange(int index, size_t count)
{
    return index >= 0 && static_cast<size_t>(index) < count;
}

} // namespace

TAnimationBMP::TAnimationBMP(TAnimationContext context, bool keepPayload, int nesting)
    : context_(std::move(context)), keepPayload_(keepPayload), nesting_(nesting),
      data_(std::make_shared<TABMPData10>(std::string_view{}, keepPayload)),
      images_(std::string_view{}, keepPayload), sounds_(std::string_view{}, keepPayload)
{
    if (context_.seeds) seed_ = context_.seeds->NextBelow(0x7FFFFFFF);
    ResetPlayback();
}

TAnimationBMP::~TAnimationBMP()
{
    Reset();
}

void TAnimationBMP::Reset()
{
    if (dataCached_ && context_.motionData) context_.motionData->Release(data_);
    dataCached_ = false;
    images_.entries.clear();
    sounds_.entries.clear();
    data_ = std::make_shared<TABMPData10>(path_, keepPayload_);
    version_ = 0;
    ResetPlayback();
}

void TAnimationBMP::ResetPlayback()
{
    motion_ = 0;
    previousMotion_ = -1;
    clocks_.fill(0.0f);
    pauses_.fill(0.0f);
    lastKey_.fill(-1);
    enabled_.fill(1);
    flags_.fill(0);
    registers_.fill(255);
    external_.fill(0.0f);
    speed_ = 1.0f;
    remainder_ = 0.0f;
}

bool TAnimationBMP::Load(TMemoryStream& stream, std::string_view fileName)
{
    Reset();
    path_ = WithoutExtension(fileName);
    images_ = TABMPImage10(path_, keepPayload_);
    sounds_ = TABMPSound10(path_, keepPayload_);
    const std::string ext = LowerExtension(fileName);
    TAnimationLoader loader(*this);
    bool loaded = false;
    if (ext == ".b") {
        loaded = loader.LoadAnimationFile(stream);
    } else if (ext == ".bmp" || ext == ".jpg" || ext == ".png" || ext == ".m" || ext == ".argb" ||
               ext == ".ogv") {
        loaded = loader.LoadImageFile(stream, fileName);
    }
    if (!loaded) {
        Reset();
        return false;
    }
    SelectMotion(0, false);
    ReadExternalValues();
    return true;
}

void TAnimationBMP::SetData(std::shared_ptr<TABMPData10> data)
{
    if (dataCached_ && context_.motionData) context_.motionData->Release(data_);
    dataCached_ = false;
    data_ = data ? std::move(data) : std::make_shared<TABMPData10>(path_, keepPayload_);
    ResetPlayback();
    SelectMotion(0, false);
}

void TAnimationBMP::ReadExternalValues()
{
    for (size_t i = 0; i < ExternalCount; ++i) {
        const std::string text = data_->Property("*value[" + std::to_string(i) + "]");
        external_[i] = static_cast<float>(std::strtol(text.c_str(), nullptr, 10));
    }
}

const TABMPMotion10* TAnimationBMP::Motion() const
{
    if (!InRange(motion_, data_->motions.size())) return nullptr;
    return data_->motions[static_cast<size_t>(motion_)].get();
}

size_t TAnimationBMP::LayerCount() const
{
    const TABMPMotion10* motion = Motion();
    return motion ? std::min(motion->layers.size(), MaxLayers) : 0;
}

TRandomTable& TAnimationBMP::Table() const
{
    return context_.randomTable ? *context_.randomTable : SharedRandomTable();
}

void TAnimationBMP::SelectMotion(int index, bool plain)
{
    if (!InRange(index, data_->motions.size())) return;
    motion_ = index;
    previousMotion_ = -1;
    remainder_ = 0.0f;
    const TABMPMotion10& motion = *data_->motions[static_cast<size_t>(index)];
    const double day = context_.dayFraction ? context_.dayFraction() : 0.0;
    for (size_t i = 0; i < LayerCount(); ++i) {
        const TABMPLayer10& layer = *motion.layers[i];
        clocks_[i] = 0.0f;
        pauses_[i] = 0.0f;
        enabled_[i] = layer.flags;
        if (plain) continue;
        const bool timeOfDay = std::any_of(layer.keys.begin(), layer.keys.end(),
                                           [](const TAnimationKey& k) { return k.action == 2; });
        if (timeOfDay) clocks_[i] = static_cast<float>(day);
    }
}

int TAnimationBMP::FindMotion(std::string_view name) const
{
    const std::string wanted = LowerText(name);
    for (size_t i = 0; i < data_->motions.size(); ++i) {
        if (LowerText(data_->motions[i]->name) == wanted) return static_cast<int>(i);
    }
    return -1;
}

std::string TAnimationBMP::MotionName(int index) const
{
    if (!InRange(index, data_->motions.size())) return {};
    return data_->motions[static_cast<size_t>(index)]->name;
}

void TAnimationBMP::SetLayerClock(int layer, float ms)
{
    if (InRange(layer, MaxLayers)) {
        clocks_[static_cast<size_t>(layer)] = ms;
        pauses_[static_cast<size_t>(layer)] = 0.0f;
        return;
    }
    clocks_.fill(ms);
    pauses_.fill(0.0f);
}

void TAnimationBMP::SetLayerPause(int layer, float ms)
{
    if (InRange(layer, MaxLayers))
        pauses_[static_cast<size_t>(layer)] = ms;
    else
        pauses_.fill(ms);
}

float TAnimationBMP::LayerClock(int layer) const
{
    return InRange(layer, MaxLayers) ? clocks_[static_cast<size_t>(layer)] : 0.0f;
}

float TAnimationBMP::LayerPause(int layer) const
{
    return InRange(layer, MaxLayers) ? pauses_[static_cast<size_t>(layer)] : 0.0f;
}

bool TAnimationBMP::LayerEnabled(int layer) const
{
    return InRange(layer, MaxLayers) && enabled_[static_cast<size_t>(layer)] != 0;
}

void TAnimationBMP::SetLayerEnabled(int layer, bool enabled)
{
    if (InRange(layer, MaxLayers)) enabled_[static_cast<size_t>(layer)] = enabled ? 1 : 0;
}

bool TAnimationBMP::IsFinished() const
{
    const TABMPMotion10* motion = Motion();
    if (!motion) return true;
    for (size_t i = 0; i < LayerCount(); ++i) {
        if (clocks_[i] < static_cast<float>(motion->layers[i]->LastKeyTime())) return false;
    }
    return true;
}

void TAnimationBMP::Advance(float time, bool absolute)
{
    const double step = std::max<uint32_t>(data_->frameStep, 1);
    double t = std::isfinite(time) ? time : 0.0;
    if (absolute) {
        if (step > 1) t = std::trunc(t / step) * step;
        SetLayerClock(-1, static_cast<float>(t));
        ProcessKeys(0.0);
        remainder_ = 0.0f;
        return;
    }
    t = t * speed_ + remainder_;
    if (!std::isfinite(t) || t < 0.0) t = 0.0;
    t = std::min(t, MaxAdvance);
    remainder_ = 0.0f;
    if (t < step) {
        remainder_ = static_cast<float>(t);
        ProcessKeys(0.0);
        return;
    }
    double usable = t;
    if (step >= 2) {
        usable = std::floor(std::trunc(t) / step) * step;
        remainder_ = static_cast<float>(t - usable);
    }
    while (usable > 0.0) {
        const double slice = std::min(50.0, usable);
        ProcessKeys(slice);
        usable -= slice;
    }
}

void TAnimationBMP::ProcessKeys(double step)
{
    const TABMPMotion10* motion = Motion();
    if (!motion) return;
    const size_t count = LayerCount();
    for (size_t i = 0; i < count; ++i) {
        const TABMPLayer10& layer = *motion->layers[i];
        if (layer.keys.empty()) continue;
        const float last = static_cast<float>(layer.LastKeyTime());
        if (clocks_[i] < last && step > 0.000001) {
            double d = step;
            if (pauses_[i] - d > 0.0) {
                pauses_[i] = static_cast<float>(pauses_[i] - d);
            } else {
                d -= std::max(0.0f, pauses_[i]);
                pauses_[i] = 0.0f;
                clocks_[i] = static_cast<float>(clocks_[i] + d);
            }
        } else if (clocks_[i] >= last) {
            clocks_[i] = last;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const TABMPLayer10& layer = *motion->layers[i];
        if (layer.keys.empty()) continue;
        const int32_t clock = static_cast<int32_t>(TruncToInt(clocks_[i]));
        int k = -1;
        for (size_t j = 0; j < layer.keys.size() && layer.keys[j].time <= clock; ++j)
            k = static_cast<int>(j);
        if (k >= 0 && layer.keys[static_cast<size_t>(k)].action != 0) {
            const bool entered = k != lastKey_[i] || previousMotion_ != motion_;
            if (!RunAction(i, k, entered)) return;
        }
        lastKey_[i] = k;
        clocks_[i] = std::min(clocks_[i], static_cast<float>(layer.LastKeyTime()));
    }
    previousMotion_ = motion_;
}

bool TAnimationBMP::RunAction(size_t index, int keyIndex, bool entered)
{
    const TABMPMotion10& motion = *Motion();
    const TABMPLayer10& layer = *motion.layers[index];
    const TAnimationKey& key = layer.keys[static_cast<size_t>(keyIndex)];
    const int p1 = key.params[0], p2 = key.params[1], p3 = key.params[2];
    const double e = std::max(0.0, static_cast<double>(clocks_[index]) - key.time);
    const size_t count = layer.keys.size();
    auto timeOf = [&layer](int i) { return static_cast<double>(layer.keys[static_cast<size_t>(i)].time); };
    auto setAll = [this](double value) {
        for (size_t i = 0; i < LayerCount(); ++i)
            clocks_[i] = static_cast<float>(value);
    };
    switch (key.action) {
    case 1: {
        const bool flagSet = p2 >= 1 && p2 <= 31 && flags_[static_cast<size_t>(p2)] != 0;
        if (flagSet) break;
        int target = p1;
        if (p3 >= 1 && p3 <= 31 && registers_[static_cast<size_t>(p3)] < count)
            target = registers_[static_cast<size_t>(p3)];
        if (!InRange(target, count)) target = 0;
        clocks_[index] = static_cast<float>(timeOf(target) + (target != keyIndex ? e : 0.0));
        break;
    }
    case 3:
        if (entered) pauses_[index] = static_cast<float>(Table().Next(p1 * 1000));
        break;
    case 4: {
        const int threshold = p2 != 0 ? p2 : 32;
        // An index outside the layer's keys is ignored.
        if (threshold < SoundLevel() && InRange(p1, count))
            clocks_[index] = static_cast<float>(timeOf(p1) + e);
        break;
    }
    case 5:
        if (!entered || !InRange(p1, data_->motions.size())) break;
        SelectMotion(p1, false);
        for (size_t i = 0; i < LayerCount(); ++i)
            clocks_[i] = static_cast<float>(clocks_[i] + e);
        return false;
    case 6:
        if (entered) pauses_[index] = static_cast<float>(p1 * 1000);
        break;
    case 7:
        for (size_t i = 0; i < LayerCount(); ++i)
            clocks_[i] = static_cast<float>(motion.layers[i]->LastKeyTime());
        break;
    case 8:
        if (entered) PlaySound(key);
        break;
    case 9:
        if (entered) pauses_[index] = static_cast<float>(Table().Next(p1 * 10));
        break;
    case 10:
        if (entered) pauses_[index] = static_cast<float>(p1 * 10);
        break;
    case 11:
        if (entered && context_.sound) {
            const int channel = channelBase_ + p1;
            if (channel >= 0 && channel < context_.sound->ChannelCount()) context_.sound->Stop(channel);
        }
        break;
    case 12:
        if (entered) setAll(e + p1 * 1000.0);
        break;
    case 13:
        if (entered) setAll(clocks_[index]);
        break;
    default: break;
    }
    return true;
}

int TAnimationBMP::SoundLevel() const
{
    if (!context_.sound) return 0;
    return static_cast<int>(RoundToInt(context_.sound->VoiceLevel() * levelScale_ * 256.0));
}

void TAnimationBMP::PlaySound(const TAnimationKey& key)
{
    TAnimationSoundService* service = context_.sound;
    if (!service) return;
    const int channel = channelBase_ + key.params[3];
    if (channel < 0 || channel >= service->ChannelCount()) return;
    const TABMPSoundData10* sound = sounds_.At(static_cast<size_t>(std::max<int>(key.params[0], -1)));
    if (key.params[0] < 0 || !sound || sound->payload.empty()) return;
    const std::string name = path_ + sound->label;
    TAnimationSoundRequest request;
    request.channel = channel;
    request.name = name;
    request.identity = sound->identity;
    request.type = sound->type;
    request.data = sound->payload;
    const int volume = key.params[1] == 0 ? 256 : key.params[1];
    request.volume = volume * soundVolume_ / 256;
    request.loop = key.params[2] != 0;
    request.soundType = soundType_;
    service->Play(request);
}

uint32_t TAnimationBMP::LayerTableOffset(const TABMPLayer10& layer) const
{
    const TABMPMotion10* motion = Motion();
    const uint32_t a = seed_ ^ 0x35246u;
    const uint32_t s = a ^ data_->seed ^ (motion ? motion->seed : 0u) ^ layer.seed;
    const uint32_t low = s & 0xFFFFu, high = s >> 16;
    return (low * high) % 1024u;
}

} // namespace tsukimi
