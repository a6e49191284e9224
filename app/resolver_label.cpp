#include "app/resolver_label.h"

void OnWindowCreated(Controls& ui) { ui.WritePeriod(时钟1, kResolverPollMs); }

void OnResolverTimer(Controls& ui) {
  for (const ResolverOperator& row : ResolverOperatorTable) {
    Text resolver = ui.ReadText(组合框1);
    if (TextEquals(resolver, row.address)) {
      ui.WriteCaption(标签1, row.label);
      return;
    }
  }
}
