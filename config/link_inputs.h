// What the editors' link parameter controls hold when the user accepts, and
// how it reaches the image. Kept apart from the windows so that the order of
// the checks, and what each check leaves in the image, can be tested alone.
#pragma once

#include <optional>
#include <string>

#include "config/config_image.h"

namespace vkt53 {

struct LinkInputs {
  std::optional<std::string> masterSpeedItem;  // ComboBox1's selected text
  std::optional<int> priorityItem;             // ComboBox2
  std::optional<int> waitUnitPreamblesItem;    // ComboBox3
  std::optional<int> retryDelayItem;           // ComboBox4
  std::string answerPreambles;                 // Edit2
  std::string requestPreambles;                // Edit3
  std::string unitAnswerWait;                  // Edit4
  std::string modemText;                       // Edit1
};

enum class LinkInputVerdict { Stored, Incomplete, PreamblesOutOfRange, AnswerWaitOutOfRange };

// Checks the inputs in their fixed order and stores them. The master speed is
// stored as soon as every list has a choice, so a later range failure leaves
// it in the image; nothing else is stored unless every check passes. A pasted
// text that is not a number fails the range check of its field.
LinkInputVerdict StoreLinkInputs(const LinkInputs& inputs, ConfigImage& image);

// The two lines of the input error box for a failed verdict.
struct InputErrorLines {
  const char* line1;
  const char* line2;
};
InputErrorLines InputErrorOf(LinkInputVerdict verdict);

}  // namespace vkt53
