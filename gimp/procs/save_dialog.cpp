#include "gimp/procs/save_dialog.h"

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include "gimp/captions.h"
#include "gimp/dialog_choices.h"

namespace dorv::gimp {
namespace {

struct DialogState {
  const dov_save_dialog* form = nullptr;
  GtkWidget* qualityLabel = nullptr;
  GtkWidget* qualitySpin = nullptr;
};

void OnTypeChanged(GtkComboBox* combo, gpointer data) {
  auto* state = static_cast<DialogState*>(data);
  const bool shown = ShowsQuality(*state->form, gtk_combo_box_get_active(combo));
  gtk_widget_set_visible(state->qualityLabel, shown);
  gtk_widget_set_visible(state->qualitySpin, shown);
}

GtkWidget* MnemonicLabel(const char* caption, GtkWidget* target) {
  GtkWidget* widget = gtk_label_new_with_mnemonic(MnemonicCaption(caption).c_str());
  gtk_misc_set_alignment(GTK_MISC(widget), 0.0, 0.5);
  gtk_label_set_mnemonic_widget(GTK_LABEL(widget), target);
  return widget;
}

}  // namespace

bool RunSaveDialog(int32_t bitsPerPixel, SaveOptions& options) {
  const dov_save_dialog form = DescribeSaveDialog(bitsPerPixel);
  DialogState state;
  state.form = &form;

  gimp_ui_init("file-dov", FALSE);
  GtkWidget* dialog = gimp_dialog_new(form.caption, "file-dov", nullptr, GtkDialogFlags(0), nullptr, nullptr,
                                      form.cancel_label, GTK_RESPONSE_CANCEL, form.ok_label, GTK_RESPONSE_OK,
                                      nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gimp_window_set_transient(GTK_WINDOW(dialog));

  GtkWidget* table = gtk_table_new(3, 2, FALSE);
  gtk_table_set_row_spacings(GTK_TABLE(table), 8);
  gtk_table_set_col_spacings(GTK_TABLE(table), 12);
  gtk_container_set_border_width(GTK_CONTAINER(table), 12);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), table, TRUE, TRUE, 0);

  GtkWidget* combo = gtk_combo_box_text_new();
  for (uint32_t i = 0; i < form.choice_count; ++i)
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), form.choices[i]);
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), static_cast<gint>(form.default_choice));
  gtk_table_attach(GTK_TABLE(table), MnemonicLabel(form.compression_label, combo), 0, 1, 0, 1, GTK_FILL, GTK_FILL,
                   0, 0);
  gtk_table_attach(GTK_TABLE(table), combo, 1, 2, 0, 1, GtkAttachOptions(GTK_FILL | GTK_EXPAND), GTK_FILL, 0, 0);

  GtkAdjustment* adjustment = GTK_ADJUSTMENT(
      gtk_adjustment_new(form.quality_default, form.quality_min, form.quality_max, 1, 10, 0));
  state.qualitySpin = gtk_spin_button_new(adjustment, 1, 0);
  gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(state.qualitySpin), TRUE);
  state.qualityLabel = MnemonicLabel(form.quality_label, state.qualitySpin);
  gtk_table_attach(GTK_TABLE(table), state.qualityLabel, 0, 1, 1, 2, GTK_FILL, GTK_FILL, 0, 0);
  gtk_table_attach(GTK_TABLE(table), state.qualitySpin, 1, 2, 1, 2, GTK_FILL, GTK_FILL, 0, 0);

  GtkWidget* compositeOnly = gtk_check_button_new_with_label(kCompositeOnlyCaption);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(compositeOnly), options.compositeOnly);
  gtk_table_attach(GTK_TABLE(table), compositeOnly, 0, 2, 2, 3, GTK_FILL, GTK_FILL, 0, 0);

  gtk_widget_show_all(dialog);
  g_signal_connect(combo, "changed", G_CALLBACK(OnTypeChanged), &state);
  OnTypeChanged(GTK_COMBO_BOX(combo), &state);

  const bool ok = gimp_dialog_run(GIMP_DIALOG(dialog)) == GTK_RESPONSE_OK;
  if (ok) {
    options.compression = ChosenCompression(form, gtk_combo_box_get_active(GTK_COMBO_BOX(combo)));
    // The spin button keeps its value within the dialog's range.
    options.quality = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(state.qualitySpin));
    options.compositeOnly = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(compositeOnly));
  }
  gtk_widget_destroy(dialog);
  return ok;
}

}  // namespace dorv::gimp
