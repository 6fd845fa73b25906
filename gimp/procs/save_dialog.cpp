#include "gimp/procs/save_dialog.h"

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include "converter/options/bits_per_pixel.h"
#include "converter/options/form_option.h"
#include "gimp/captions.h"

namespace dorv::gimp {
namespace {

struct DialogState {
  TFormOption* form = nullptr;
  GtkWidget* qualityLabel = nullptr;
  GtkWidget* qualitySpin = nullptr;
};

// A selection in the list runs the form's own handler, which decides
// whether the quality controls show.
void OnTypeChanged(GtkComboBox* combo, gpointer data) {
  auto* state = static_cast<DialogState*>(data);
  state->form->SelectItem(gtk_combo_box_get_active(combo));
  gtk_widget_set_visible(state->qualityLabel, state->form->LabelQual.Visible);
  gtk_widget_set_visible(state->qualitySpin, state->form->SpinQual.Visible);
}

GtkWidget* MnemonicLabel(const TLabel& label, GtkWidget* target) {
  GtkWidget* widget = gtk_label_new_with_mnemonic(MnemonicCaption(label.Caption).c_str());
  gtk_misc_set_alignment(GTK_MISC(widget), 0.0, 0.5);
  gtk_label_set_mnemonic_widget(GTK_LABEL(widget), target);
  return widget;
}

}  // namespace

bool RunSaveDialog(int32_t bitsPerPixel, SaveOptions& options) {
  SetOptionBitsPerPixel(bitsPerPixel);
  TFormOption form;
  DialogState state;
  state.form = &form;

  gimp_ui_init("file-dov", FALSE);
  GtkWidget* dialog = gimp_dialog_new(form.Caption.c_str(), "file-dov", nullptr, GtkDialogFlags(0),
                                      nullptr, nullptr,
                                      form.Button2.Caption.c_str(), GTK_RESPONSE_CANCEL,
                                      form.Button1.Caption.c_str(), GTK_RESPONSE_OK, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gimp_window_set_transient(GTK_WINDOW(dialog));

  GtkWidget* table = gtk_table_new(3, 2, FALSE);
  gtk_table_set_row_spacings(GTK_TABLE(table), 8);
  gtk_table_set_col_spacings(GTK_TABLE(table), 12);
  gtk_container_set_border_width(GTK_CONTAINER(table), 12);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), table, TRUE, TRUE, 0);

  GtkWidget* combo = gtk_combo_box_text_new();
  for (const TComboItem& item : form.ComboType.Items)
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), item.Text.c_str());
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), form.ComboType.ItemIndex);
  gtk_table_attach(GTK_TABLE(table), MnemonicLabel(form.Label1, combo), 0, 1, 0, 1, GTK_FILL, GTK_FILL, 0, 0);
  gtk_table_attach(GTK_TABLE(table), combo, 1, 2, 0, 1, GtkAttachOptions(GTK_FILL | GTK_EXPAND), GTK_FILL, 0, 0);

  GtkAdjustment* adjustment = GTK_ADJUSTMENT(gtk_adjustment_new(form.SpinQual.Value(), form.SpinQual.MinValue,
                                                                form.SpinQual.MaxValue, 1, 10, 0));
  state.qualitySpin = gtk_spin_button_new(adjustment, 1, 0);
  gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(state.qualitySpin), TRUE);
  state.qualityLabel = MnemonicLabel(form.LabelQual, state.qualitySpin);
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
    form.SpinQual.SetValue(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(state.qualitySpin)));
    options.compression = form.CompressionValue();
    options.quality = form.Quality();
    options.compositeOnly = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(compositeOnly));
  }
  gtk_widget_destroy(dialog);
  return ok;
}

}  // namespace dorv::gimp
