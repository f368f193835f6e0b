# Layers as the build declares them, for the check's own test.
set(CMP_LAYERS "framework;data;requisition;approval")
set(CMP_ALLOWS_framework "framework")
set(CMP_ALLOWS_data "data;framework")
set(CMP_ALLOWS_requisition "requisition;data;framework")
set(CMP_ALLOWS_approval "approval;data;framework")
